// SoundClip on the headless wave output: retrigger, looping, pause and resume, bad files.
#include "sound/sound_clip.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "globals/presentation.h"
#include "platform/headless/headless.h"
#include "tests/support/filled_fifo.h"
#include "tests/support/wav_builder.h"

namespace fs = std::filesystem;
namespace headless = platform::headless;

namespace {
using testing_support::makeWav;

class SoundClipTest : public ::testing::Test {
  protected:
    void SetUp() override {
        headless::reset();
        dir = fs::temp_directory_path() / ("v2-sound-" + std::to_string(::getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (dir / name).string();
        testing_support::writeFile(path, bytes);
        return path;
    }
    std::vector<std::string> trace() const { return headless::traceLines(); }
    fs::path dir;
};
}  // namespace

TEST_F(SoundClipTest, OneShotIgnoresRetriggerUntilItHasFinished) {
    SoundClip clip(write("hit.wav", makeWav(80)), false);  // 10 ms
    ASSERT_FALSE(clip.isSilent());
    clip.play();
    headless::advance(5);
    clip.play();  // still playing: refused, not traced
    headless::advance(5);
    EXPECT_EQ(headless::busyStreams(), 0);
    clip.play();  // finished: plays again from the start
    EXPECT_EQ(trace(), (std::vector<std::string>{"0 sound hit.wav play", "10 sound hit.wav play"}));
}

TEST_F(SoundClipTest, LoopRequeuesItselfAndPauseHoldsThePosition) {
    auto clip = std::make_unique<SoundClip>(write("music.wav", makeWav(80)), true);
    clip->play();
    headless::advance(25);  // two re-queues by the loop, neither a call of the game's
    EXPECT_EQ(headless::busyStreams(), 1);
    clip->pause();
    headless::advance(100);
    EXPECT_EQ(headless::busyStreams(), 1);
    clip->play();  // still queued while paused: refused
    clip->resume();
    EXPECT_EQ(trace(),
              (std::vector<std::string>{"0 sound music.wav play", "25 sound music.wav pause",
                                        "125 sound music.wav resume"}));
    clip.reset();  // destroying a playing loop stops it
    EXPECT_EQ(headless::busyStreams(), 0);
    headless::advance(50);
    EXPECT_EQ(trace().size(), 3u);
}

TEST_F(SoundClipTest, MissingShortHeaderOnlyAndUnreadableFilesAreSafe) {
    SoundClip missing((dir / "nothere.wav").string(), false);
    SoundClip shortFile(write("short.wav", std::vector<uint8_t>(20, 0)), true);
    SoundClip empty(write("empty.wav", {}), false);
    // No regular file in the clip's place: a directory, a FIFO holding a whole clip, a device.
    fs::create_directory(dir / "folder.wav");
    SoundClip folder((dir / "folder.wav").string(), false);
    testing_support::FilledFifo fifo((dir / "fifo.wav").string(), makeWav(80));
    ASSERT_TRUE(fifo.ready());
    SoundClip fromFifo((dir / "fifo.wav").string(), true);
    fs::create_symlink("/dev/zero", dir / "device.wav");
    SoundClip device((dir / "device.wav").string(), false);
    for (SoundClip* c : {&missing, &shortFile, &empty, &folder, &fromFifo, &device}) {
        EXPECT_TRUE(c->isSilent());
        c->play();
        c->pause();
        c->resume();
    }
    EXPECT_TRUE(trace().empty());
    // A header with no samples: a stream with a block of length 0 that ends at once.
    SoundClip headerOnly(write("h.wav", makeWav(0)), false);
    EXPECT_FALSE(headerOnly.isSilent());
    headerOnly.play();
    headless::advance(1);
    EXPECT_EQ(headless::busyStreams(), 0);
}

// A volume scales every sample toward silence (the middle for 8-bit samples, 0 for 16-bit),
// rounding toward it.
TEST(SoundVolume, SamplesScaleTowardSilence) {
    platform::WaveFormat eight{platform::kWaveFormatPcm, 1, 8000, 8000, 1, 8, 0};
    const std::vector<uint8_t> bytes = {128, 228, 28, 255, 0};
    std::vector<uint8_t> out(bytes.size());
    scaleSamples(eight, bytes.data(), out.data(), bytes.size(), 50);
    EXPECT_EQ(out, (std::vector<uint8_t>{128, 178, 78, 191, 64}));
    scaleSamples(eight, bytes.data(), out.data(), bytes.size(), 0);
    EXPECT_EQ(out, std::vector<uint8_t>(bytes.size(), 128));
    scaleSamples(eight, bytes.data(), out.data(), bytes.size(), 100);
    EXPECT_EQ(out, bytes);

    platform::WaveFormat sixteen{platform::kWaveFormatPcm, 1, 8000, 16000, 2, 16, 0};
    // 1000, -1001, 32767, -32768, little-endian
    const std::vector<uint8_t> wide = {0xE8, 0x03, 0x17, 0xFC, 0xFF, 0x7F, 0x00, 0x80};
    std::vector<uint8_t> half(wide.size());
    scaleSamples(sixteen, wide.data(), half.data(), wide.size(), 50);
    // 500, -500, 16383, -16384
    EXPECT_EQ(half, (std::vector<uint8_t>{0xF4, 0x01, 0x0C, 0xFE, 0xFF, 0x3F, 0x00, 0xC0}));
}

// Music playing when its volume changes plays on (again from its start) at the new volume; a
// paused one stays paused; clips whose volume did not change are left alone.
TEST_F(SoundClipTest, AVolumeChangeKeepsMusicGoing) {
    const Presentation saved = presentation();
    auto music = std::make_unique<SoundClip>(write("music.wav", makeWav(80)), true);
    SoundClip hit(write("hit.wav", makeWav(800)), false);
    music->play();
    hit.play();
    headless::advance(5);
    presentation().musicVolume = 40;
    SoundClip::applyVolumes();
    EXPECT_EQ(headless::busyStreams(), 2);
    music->pause();
    presentation().musicVolume = 70;
    SoundClip::applyVolumes();
    presentation() = saved;
    EXPECT_EQ(trace(),
              (std::vector<std::string>{"0 sound music.wav play", "0 sound hit.wav play",
                                        "5 sound music.wav play", "5 sound music.wav pause",
                                        "5 sound music.wav play", "5 sound music.wav pause"}));
}
