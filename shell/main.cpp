// The game on the SDL back end, and its command line.
#include <cstdio>
#include <cstring>

#include "shell/entry.h"
#include "shell/level_sets.h"

namespace {

constexpr const char* kUsage =
    "usage: vextorium2 [--fullscreen | --windowed] [--levels FILE]\n"
    "       vextorium2 --help | --version\n"
    "  --fullscreen  start full screen (the default; F11 or Alt+Enter switches)\n"
    "  --windowed    start in a window of 528 x 660 pixels\n"
    "  --levels FILE play the level set in FILE (a level file like BrickMap.dat); its saved\n"
    "                game, high scores and records are its own\n"
    "  --help        print this help and exit\n"
    "  --version     print the version and exit\n";

}  // namespace

int main(int argc, char** argv) {
    bool fullScreen = true;
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
        } else if (std::strcmp(arg, "--levels") == 0 && i + 1 < argc && argv[i + 1][0] != '\0') {
            chooseLevelSet(argv[++i]);
        } else {
            std::fprintf(stderr, "vextorium2: unknown argument '%s'\n%s", arg, kUsage);
            return kExitBadUsage;
        }
    }
    return runProgram(fullScreen);
}
