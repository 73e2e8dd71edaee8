// v2_soundgen: renders note-list sources to the game's WAV files.
//   v2_soundgen OUTDIR SOURCE...
#include <cstdio>
#include <string>

#include "sound_files.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: v2_soundgen OUTDIR SOURCE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        std::string error;
        if (!soundgen::renderSoundFile(argv[i], argv[1], error)) {
            std::fprintf(stderr, "v2_soundgen: %s\n", error.c_str());
            return 1;
        }
    }
    return 0;
}
