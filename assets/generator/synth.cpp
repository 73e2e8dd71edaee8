// Synth: band-limited square (PolyBLEP), triangle, sample-and-hold noise and drums, each note
// shaped by an attack-decay-sustain-release envelope so that nothing starts or stops with a
// click. Looping scores wrap every tail round to the start.
#include "synth.h"

#include <algorithm>
#include <cmath>

#include "platform/little_endian.h"

namespace soundgen {
namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kVibratoHz = 6.0;
constexpr double kEdgeFadeMs = 2.0;  // one-shot sounds fade in and out over this much

struct Noise {
    uint32_t state = 0x1234567u;
    double next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return (state & 0xFFFF) / 32767.5 - 1.0;
    }
};

double polyBlep(double t, double dt) {
    if (t < dt) {
        t /= dt;
        return t + t - t * t - 1.0;
    }
    if (t > 1.0 - dt) {
        t = (t - 1.0) / dt;
        return t * t + t + t + 1.0;
    }
    return 0.0;
}

double envelope(const Track& t, double ms, double lengthMs) {
    double level;
    if (ms < t.attackMs)
        level = ms / t.attackMs;
    else if (ms < t.attackMs + t.decayMs)
        level = 1.0 - (1.0 - t.sustain) * (ms - t.attackMs) / t.decayMs;
    else
        level = t.sustain;
    if (ms > lengthMs) {
        // Release from the level the note had reached when it ended.
        double atEnd = envelope(t, lengthMs, lengthMs + 1e9);
        double r = (ms - lengthMs) / std::max(t.releaseMs, 0.1);
        level = r >= 1.0 ? 0.0 : atEnd * (1.0 - r);
    }
    return level;
}

// One drum hit, `ms` after it starts; 0 once it has died away.
double drum(char kind, double ms, Noise& noise, double& phase, double& held) {
    double s = ms / 1000.0;
    switch (kind) {
        case 'k': {  // a sine falling from 150 Hz to 45 Hz
            if (ms > 220) return 0;
            double f = 45 + 105 * std::exp(-s * 30);
            phase += f / kSampleRate;
            return std::sin(2 * kPi * phase) * std::exp(-s * 14) * std::min(1.0, ms / 1.5);
        }
        case 's': {
            if (ms > 200) return 0;
            phase += 190.0 / kSampleRate;
            double tone =
                (2 * std::abs(2 * (phase - std::floor(phase + 0.5))) - 1) * std::exp(-s * 35);
            double n = noise.next() * std::exp(-s * 22);
            return (0.45 * tone + 0.55 * n) * std::min(1.0, ms / 1.0);
        }
        case 'h':
        case 'o': {
            double decay = kind == 'h' ? 90.0 : 18.0;
            if (ms > (kind == 'h' ? 60 : 260)) return 0;
            double n = noise.next();
            double bright = n - held;  // differencing keeps only the hiss
            held = n;
            return 0.5 * bright * std::exp(-s * decay) * std::min(1.0, ms / 0.5);
        }
        default:
            return 0;
    }
}

}  // namespace

std::vector<int16_t> render(const SoundScore& score) {
    double endMs = score.lengthMs;
    if (endMs <= 0)
        for (const Track& t : score.tracks)
            for (const Note& n : t.notes)
                endMs = std::max(
                    endMs, n.startMs + n.lengthMs + (t.wave == "drums" ? 260.0 : t.releaseMs));
    const size_t total = static_cast<size_t>(std::lround(endMs * kSampleRate / 1000.0));
    std::vector<double> mixBuffer(std::max<size_t>(total, 1), 0.0);
    Noise noise;

    for (const Track& t : score.tracks)
        for (const Note& n : t.notes) {
            const double tailMs = t.wave == "drums" ? 260.0 : t.releaseMs;
            const size_t first = static_cast<size_t>(std::lround(n.startMs * kSampleRate / 1000.0));
            const size_t count =
                static_cast<size_t>(std::ceil((n.lengthMs + tailMs) * kSampleRate / 1000.0));
            double phase = 0.0;
            double held = 0.0;
            double noiseValue = 0.0;
            for (size_t k = 0; k < count; ++k) {
                double ms = k * 1000.0 / kSampleRate;
                double v;
                if (t.wave == "drums") {
                    v = drum(n.drum, ms, noise, phase, held);
                } else {
                    // A pitch that neither slides nor wavers needs no powers: 2 to the 0 is 1.
                    double f = n.frequency;
                    if (t.slide != 0 || t.vibrato != 0) {
                        double progress = std::min(ms / n.lengthMs, 1.0);
                        double semis = t.slide * progress +
                                       t.vibrato * std::sin(2 * kPi * kVibratoHz * ms / 1000.0);
                        f *= std::pow(2.0, semis / 12.0);
                    }
                    double dt = f / kSampleRate;
                    double before = phase;
                    phase += dt;
                    if (phase >= 1.0) phase -= 1.0;
                    if (t.wave == "square") {
                        double shifted = phase + (1.0 - t.duty);
                        shifted -= std::floor(shifted);
                        v = (phase < t.duty ? 1.0 : -1.0) + polyBlep(phase, dt) -
                            polyBlep(shifted, dt);
                        v -= 2.0 * t.duty - 1.0;  // no DC offset whatever the duty
                    } else if (t.wave == "triangle") {
                        v = 2.0 * std::abs(2.0 * phase - 1.0) - 1.0;
                    } else {  // noise: a new random level at each cycle of the note's pitch
                        if (phase < before) noiseValue = noise.next();
                        v = noiseValue;
                    }
                    v *= envelope(t, ms, n.lengthMs);
                }
                size_t at = first + k;
                if (score.loop)
                    at %= mixBuffer.size();
                else if (at >= mixBuffer.size())
                    break;
                mixBuffer[at] += v * t.volume;
            }
        }

    if (!score.loop) {
        const size_t fade = static_cast<size_t>(kEdgeFadeMs * kSampleRate / 1000.0);
        for (size_t k = 0; k < fade && k < mixBuffer.size(); ++k) {
            double g = static_cast<double>(k) / fade;
            mixBuffer[k] *= g;
            mixBuffer[mixBuffer.size() - 1 - k] *= g;
        }
    }
    double peak = 0.0;
    for (double v : mixBuffer) peak = std::max(peak, std::abs(v));
    double gain = peak > 0 ? std::pow(10.0, score.peakDb / 20.0) * 32767.0 / peak : 0.0;
    if (score.loudnessDb < 0 && peak > 0) {
        // The loudest 50 ms window, in steps of 5 ms, sets the perceived level.
        const size_t window = kSampleRate / 20;
        const size_t hop = kSampleRate / 200;
        double loudest = 0.0;
        for (size_t start = 0; start == 0 || start + window <= mixBuffer.size(); start += hop) {
            double sum = 0.0;
            size_t end = std::min(start + window, mixBuffer.size());
            for (size_t k = start; k < end; ++k) sum += mixBuffer[k] * mixBuffer[k];
            loudest = std::max(loudest, std::sqrt(sum / window));
            if (end == mixBuffer.size()) break;
        }
        if (loudest > 0)
            gain = std::min(gain, std::pow(10.0, score.loudnessDb / 20.0) * 32767.0 / loudest);
    }
    std::vector<int16_t> out(mixBuffer.size());
    for (size_t k = 0; k < out.size(); ++k)
        out[k] =
            static_cast<int16_t>(std::lround(std::clamp(mixBuffer[k] * gain, -32767.0, 32767.0)));
    return out;
}

std::vector<uint8_t> wavFile(const std::vector<int16_t>& samples) {
    constexpr uint16_t kChannels = 1;
    constexpr uint16_t kBits = 16;
    constexpr uint16_t kBlockAlign = kChannels * kBits / 8;
    const uint32_t dataBytes = static_cast<uint32_t>(samples.size()) * kBlockAlign;
    std::vector<uint8_t> out;
    auto tag = [&out](const char* t) {
        for (int i = 0; i < 4; ++i) out.push_back(static_cast<uint8_t>(t[i]));
    };
    tag("RIFF");
    le::append32(out, 36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    le::append32(out, 16);  // format block size
    le::append16(out, 1);   // PCM
    le::append16(out, kChannels);
    le::append32(out, kSampleRate);
    le::append32(out, kSampleRate * kBlockAlign);  // bytes per second
    le::append16(out, kBlockAlign);
    le::append16(out, kBits);
    tag("data");
    le::append32(out, dataBytes);
    for (int16_t s : samples) le::append16(out, static_cast<uint16_t>(s));
    return out;
}

}  // namespace soundgen
