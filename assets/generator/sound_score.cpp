// SoundScore reading. One directive per line, '#' starts a comment:
//   sound NAME.wav | step MS | loop | length MS | peak DB | loudness DB
//   track WAVE key=value...      (volume duty attack decay sustain release slide vibrato)
//   notes TOKEN...               NOTE/STEPS or -/STEPS (rest); a leading *N repeats the line
//   beat PATTERN...              drums, one character per step: k s h o or . (rest)
#include "sound_score.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace soundgen {
namespace {

// The words of one line, taken in turn as a string stream would give them, without the stream
// library, which the web game (which reads these files in the page) would otherwise carry.
class Words {
  public:
    explicit Words(const std::string& line) : text(line) {}

    bool operator>>(std::string& word) {
        constexpr const char* kSpace = " \t\r\n\v\f";
        const size_t first = text.find_first_not_of(kSpace, at);
        if (first == std::string::npos) {
            at = text.size();
            return false;
        }
        at = std::min(text.find_first_of(kSpace, first), text.size());
        word = text.substr(first, at - first);
        return true;
    }

    // A word that is not wholly a number reads as 0 and fails.
    bool operator>>(double& value) {
        std::string word;
        value = 0;
        if (!(*this >> word)) return false;
        char* end = nullptr;
        const double read = std::strtod(word.c_str(), &end);
        if (*end != '\0') return false;
        value = read;
        return true;
    }

  private:
    std::string text;
    size_t at = 0;
};

// The whole file, or false when it cannot be read.
bool readText(const std::string& path, std::string& text) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    char buffer[4096];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, got);
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return read;
}

}  // namespace

double noteFrequency(const std::string& name) {
    static const int kSemitone[7] = {9, 11, 0, 2, 4, 5, 7};  // A B C D E F G from C
    if (name.size() < 2 || name[0] < 'A' || name[0] > 'G') return -1;
    int semis = kSemitone[name[0] - 'A'];
    size_t i = 1;
    if (name[i] == '#') {
        ++semis;
        ++i;
    } else if (name[i] == 'b') {
        --semis;
        ++i;
    }
    if (i + 1 != name.size() || name[i] < '0' || name[i] > '8') return -1;
    int octave = name[i] - '0';
    int fromA4 = (octave - 4) * 12 + semis - 9;
    return 440.0 * std::pow(2.0, fromA4 / 12.0);
}

bool readScore(const std::string& path, SoundScore& score, std::string& error) {
    score = SoundScore{};
    std::string whole;
    if (!readText(path, whole)) {
        error = path + ": cannot open";
        return false;
    }
    std::string text;
    int line = 0;
    size_t next = 0;
    double cursor = 0;  // the current track's next free step
    auto fail = [&](const std::string& what) {
        error = path + ":" + std::to_string(line) + ": " + what;
        return false;
    };
    while (next < whole.size()) {
        const size_t end = std::min(whole.find('\n', next), whole.size());
        text = whole.substr(next, end - next);
        next = end + 1;
        ++line;
        // '#' starts a comment at the start of a word; inside a note name it is a sharp.
        for (size_t k = 0; k < text.size(); ++k)
            if (text[k] == '#' && (k == 0 || text[k - 1] == ' ' || text[k - 1] == '\t')) {
                text.resize(k);
                break;
            }
        Words words(text);
        std::string op;
        if (!(words >> op)) continue;
        if (op == "sound") {
            words >> score.output;
        } else if (op == "step") {
            words >> score.stepMs;
        } else if (op == "loop") {
            score.loop = true;
        } else if (op == "length") {
            words >> score.lengthMs;
        } else if (op == "peak") {
            words >> score.peakDb;
        } else if (op == "loudness") {
            words >> score.loudnessDb;
        } else if (op == "track") {
            Track t;
            words >> t.wave;
            if (t.wave != "square" && t.wave != "triangle" && t.wave != "noise" &&
                t.wave != "drums")
                return fail("unknown wave " + t.wave);
            std::string kv;
            while (words >> kv) {
                size_t eq = kv.find('=');
                if (eq == std::string::npos) return fail("expected key=value, got " + kv);
                std::string key = kv.substr(0, eq);
                char* end = nullptr;
                double v = std::strtod(kv.c_str() + eq + 1, &end);
                if (*end) return fail("bad number in " + kv);
                if (key == "volume")
                    t.volume = v;
                else if (key == "duty")
                    t.duty = v;
                else if (key == "attack")
                    t.attackMs = v;
                else if (key == "decay")
                    t.decayMs = v;
                else if (key == "sustain")
                    t.sustain = v;
                else if (key == "release")
                    t.releaseMs = v;
                else if (key == "slide")
                    t.slide = v;
                else if (key == "vibrato")
                    t.vibrato = v;
                else
                    return fail("unknown setting " + key);
            }
            score.tracks.push_back(t);
            cursor = 0;
        } else if (op == "notes" || op == "beat") {
            if (score.tracks.empty()) return fail(op + " before any track");
            Track& t = score.tracks.back();
            if ((op == "beat") != (t.wave == "drums"))
                return fail("beat lines belong to drum tracks");
            std::vector<std::string> tokens;
            std::string token;
            int repeat = 1;
            while (words >> token) {
                if (tokens.empty() && token[0] == '*' && repeat == 1) {
                    repeat = std::atoi(token.c_str() + 1);
                    if (repeat < 1) return fail("bad repeat " + token);
                    continue;
                }
                tokens.push_back(token);
            }
            for (int r = 0; r < repeat; ++r)
                for (const std::string& tok : tokens) {
                    if (op == "beat") {
                        for (char c : tok) {
                            if (c != '.' && c != 'k' && c != 's' && c != 'h' && c != 'o')
                                return fail(std::string("unknown drum '") + c + "'");
                            if (c != '.')
                                t.notes.push_back({cursor * score.stepMs, score.stepMs, 0, c});
                            cursor += 1;
                        }
                        continue;
                    }
                    size_t slash = tok.find('/');
                    double steps = 1;
                    if (slash != std::string::npos) {
                        char* end = nullptr;
                        steps = std::strtod(tok.c_str() + slash + 1, &end);
                        if (*end || steps <= 0) return fail("bad length in " + tok);
                    }
                    std::string name = tok.substr(0, slash);
                    if (name != "-") {
                        double f = noteFrequency(name);
                        if (f < 0) return fail("unknown note " + name);
                        t.notes.push_back({cursor * score.stepMs, steps * score.stepMs, f, 0});
                    }
                    cursor += steps;
                }
            t.endMs = cursor * score.stepMs;
        } else {
            return fail("unknown directive " + op);
        }
    }
    if (score.output.empty()) return fail("no 'sound' line");
    // Every part of a loop must fill it exactly, or the parts drift apart at each repeat.
    if (score.loop && score.lengthMs > 0)
        for (size_t k = 0; k < score.tracks.size(); ++k)
            if (std::abs(score.tracks[k].endMs - score.lengthMs) > 0.5)
                return fail("track " + std::to_string(k + 1) + " lasts " +
                            std::to_string(static_cast<int>(score.tracks[k].endMs)) +
                            " ms, the loop " + std::to_string(static_cast<int>(score.lengthMs)) +
                            " ms");
    return true;
}

}  // namespace soundgen
