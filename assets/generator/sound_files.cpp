#include "sound_files.h"

#include <cstdio>
#include <vector>

#include "synth.h"

namespace soundgen {

bool renderSoundFile(const std::string& source, const std::string& outDirectory,
                     std::string& error) {
    SoundScore score;
    if (!readScore(source, score, error)) return false;
    if (score.output.empty() || score.output.find('/') != std::string::npos) {
        error = source + ": the sound line names no plain file name";
        return false;
    }
    const std::vector<uint8_t> file = wavFile(render(score));
    const std::string path = outDirectory + "/" + score.output;
    std::FILE* out = std::fopen(path.c_str(), "wb");
    bool written = out != nullptr && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out != nullptr) written = std::fclose(out) == 0 && written;
    if (!written) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace soundgen
