// The game on the SDL back end, and its command line.
#include <cstdio>
#include <cstring>

#include "shell/entry.h"
#include "shell/player_settings.h"

namespace {

constexpr const char* kUsage =
    "usage: vextorium2 [--fullscreen | --windowed] [--settings]\n"
    "       vextorium2 --help | --version\n"
    "  --fullscreen  start full screen (the default; F11 or Alt+Enter switches)\n"
    "  --windowed    start in a window of 528 x 660 pixels\n"
    "  --settings    start on the settings screen (F10 opens and closes it at any time)\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    bool fullScreen = true;
    bool openSettings = false;
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
        } else {
            std::fprintf(stderr, "vextorium2: unknown argument '%s'\n%s", arg, kUsage);
            return kExitBadUsage;
        }
    }
    useSettingsStore("", true, openSettings);
    return runProgram(fullScreen);
}
