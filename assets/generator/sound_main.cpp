// v2_soundgen: renders note-list sources to the game's WAV files.
//   v2_soundgen OUTDIR SOURCE...
#include <cmath>
#include <cstdio>
#include <fstream>
#include <string>

#include "synth.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: v2_soundgen OUTDIR SOURCE...\n");
        return 2;
    }
    for (int i = 2; i < argc; ++i) {
        soundgen::SoundScore score;
        std::string error;
        if (!soundgen::readScore(argv[i], score, error)) {
            std::fprintf(stderr, "v2_soundgen: %s\n", error.c_str());
            return 1;
        }
        std::vector<int16_t> samples = soundgen::render(score);
        std::vector<uint8_t> file = soundgen::wavFile(samples);
        std::string path = std::string(argv[1]) + "/" + score.output;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(file.data()),
                  static_cast<std::streamsize>(file.size()));
        if (!out) {
            std::fprintf(stderr, "v2_soundgen: cannot write %s\n", path.c_str());
            return 1;
        }
    }
    return 0;
}
