#include "sound_files.h"

#include <fstream>
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
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
    out.close();
    if (!out) {
        error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace soundgen
