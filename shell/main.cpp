// The game on the SDL back end, and its command line.
#include <cstdio>
#include <cstring>

#include "shell/entry.h"
#include "shell/level_sets.h"
#include "shell/pace.h"
#include "shell/player_settings.h"

namespace {

constexpr const char* kUsage =
    "usage: vextorium2 [--fullscreen | --windowed] [--settings] [--pace PERCENT]\n"
    "                  [--levels FILE]\n"
    "       vextorium2 --help | --version\n"
    "  --fullscreen  start full screen (the default; F11 or Alt+Enter switches)\n"
    "  --windowed    start in a window of 528 x 660 pixels\n"
    "  --settings    start on the settings screen (F10 opens and closes it at any time)\n"
    "  --pace PERCENT\n"
    "                play at 100 (the default), 75 or 50 percent of full pace: the time\n"
    "                between ticks grows, nothing else changes (over the settings' pace)\n"
    "  --levels FILE play the level set in FILE (a level file like BrickMap.dat); its saved\n"
    "                game, high scores and records are its own\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    bool fullScreen = true;
    bool openSettings = false;
    bool paceGiven = false;  // the command line's pace goes over the settings' one
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            return kExitOk;
        }
        if (std::strcmp(arg, "--version") == 0) {
            std::printf("vextorium2 %s\n", VEXTORIUM2_VERSION);
            return kExitOk;
        }
        if (std::strcmp(arg, "--fullscreen") == 0) {
            fullScreen = true;
        } else if (std::strcmp(arg, "--windowed") == 0) {
            fullScreen = false;
        } else if (std::strcmp(arg, "--settings") == 0) {
            openSettings = true;
        } else if (std::strcmp(arg, "--pace") == 0) {
            const int pace = i + 1 < argc ? paceArgument(argv[++i]) : 0;
            if (pace == 0) {
                std::fprintf(stderr, "vextorium2: %s\n%s", kPaceChoices, kUsage);
                return kExitBadUsage;
            }
            setPacePercent(pace);
            paceGiven = true;
        } else if (std::strcmp(arg, "--levels") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            chooseLevelSet(argv[++i]);
        } else {
            std::fprintf(stderr, "vextorium2: unknown argument '%s'\n%s", arg, kUsage);
            return kExitBadUsage;
        }
    }
    useSettingsStore("", !paceGiven, openSettings);
    return runProgram(fullScreen);
}
