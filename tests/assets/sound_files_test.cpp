// The six WAV files beside the program: canonical headers that agree with their data, the
// lengths and levels the game expects, and ends that do not click.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Wav {
    std::vector<uint8_t> bytes;
    uint32_t u32(size_t at) const {
        return bytes[at] | (bytes[at + 1] << 8) | (bytes[at + 2] << 16) |
               (static_cast<uint32_t>(bytes[at + 3]) << 24);
    }
    uint16_t u16(size_t at) const {
        return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
    }
    std::string tag(size_t at) const {
        return std::string(bytes.begin() + static_cast<long>(at),
                           bytes.begin() + static_cast<long>(at) + 4);
    }
    size_t sampleCount() const { return (bytes.size() - 44) / 2; }
    int sample(size_t i) const { return static_cast<int16_t>(u16(44 + 2 * i)); }
    int peak() const {
        int p = 0;
        for (size_t i = 0; i < sampleCount(); ++i) p = std::max(p, std::abs(sample(i)));
        return p;
    }
};

Wav readWav(const std::string& name) {
    std::ifstream in(std::string(V2_TEST_BIN_DIR) + "/" + name, std::ios::binary);
    Wav w;
    w.bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return w;
}

constexpr int kSampleRate = 22050;
// Peaks sit at -3 dBFS (0.708 of full scale) unless the sound was turned down to match the
// others' loudness; never below -6 dBFS, never clipping.
constexpr int kPeakLow = 16400;
constexpr int kPeakHigh = 24600;

}  // namespace

TEST(SoundFiles, HeadersDescribeTheirData) {
    for (const char* name :
         {"blast.wav", "hit.wav", "music.wav", "menudown.wav", "menuup.wav", "Action.wav"}) {
        SCOPED_TRACE(name);
        Wav w = readWav(name);
        ASSERT_GT(w.bytes.size(), 44u);
        EXPECT_EQ(w.tag(0), "RIFF");
        EXPECT_EQ(w.u32(4), w.bytes.size() - 8);
        EXPECT_EQ(w.tag(8), "WAVE");
        EXPECT_EQ(w.tag(12), "fmt ");
        EXPECT_EQ(w.u32(16), 16u);
        EXPECT_EQ(w.u16(20), 1);  // PCM
        EXPECT_EQ(w.u16(22), 1);  // mono
        EXPECT_EQ(w.u32(24), 22050u);
        EXPECT_EQ(w.u32(28), 44100u);  // bytes per second
        EXPECT_EQ(w.u16(32), 2);       // bytes per sample frame
        EXPECT_EQ(w.u16(34), 16);
        EXPECT_EQ(w.tag(36), "data");
        EXPECT_EQ(w.u32(40), w.bytes.size() - 44);
        EXPECT_EQ(w.bytes.size() % 2, 0u);
        int peak = w.peak();
        EXPECT_GE(peak, kPeakLow);
        EXPECT_LE(peak, kPeakHigh);
    }
}

TEST(SoundFiles, EffectsAreShortAndStartAndEndInSilence) {
    struct Effect {
        const char* name;
        size_t maxSamples;
    };
    const Effect effects[] = {{"hit.wav", kSampleRate / 2},
                              {"menudown.wav", kSampleRate / 2},
                              {"menuup.wav", kSampleRate / 2},
                              {"Action.wav", kSampleRate / 2},
                              {"blast.wav", kSampleRate * 12 / 10}};
    for (const Effect& e : effects) {
        SCOPED_TRACE(e.name);
        Wav w = readWav(e.name);
        ASSERT_GT(w.sampleCount(), 100u);
        EXPECT_LT(w.sampleCount(), e.maxSamples);
        // Ramps at both ends: the first and last few samples are close to zero.
        for (size_t i = 0; i < 4; ++i) {
            EXPECT_LT(std::abs(w.sample(i)), 1500);
            EXPECT_LT(std::abs(w.sample(w.sampleCount() - 1 - i)), 1500);
        }
    }
    // The effects are different sounds, not one file copied.
    EXPECT_NE(readWav("menuup.wav").bytes, readWav("menudown.wav").bytes);
}

TEST(SoundFiles, MusicLoopsWithoutAJump) {
    Wav music = readWav("music.wav");
    ASSERT_GT(music.sampleCount(), 1000u);
    EXPECT_GE(music.sampleCount(), static_cast<size_t>(kSampleRate) * 30);
    // Where the loop joins, the step from the last sample to the first is no bigger than the
    // steps inside the tune.
    int largestStep = 0;
    for (size_t i = 1; i < music.sampleCount(); ++i)
        largestStep = std::max(largestStep, std::abs(music.sample(i) - music.sample(i - 1)));
    int joinStep = std::abs(music.sample(0) - music.sample(music.sampleCount() - 1));
    EXPECT_LE(joinStep, largestStep / 2);
}
