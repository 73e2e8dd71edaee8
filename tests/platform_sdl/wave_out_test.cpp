// Wave output through a real SDL audio device: what the disk driver wrote, teardown of a
// looping stream on the audio thread, and silence when no device can be opened.
#include "platform/wave_out.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/clock.h"

namespace platform {
namespace {

constexpr uint32_t kWaitStepMs = 5;
constexpr int kMaxWaitSteps = 2000;  // a generous bound so a broken device fails, not hangs

WaveFormat pcm(uint16_t channels, uint32_t rate, uint16_t bits) {
    WaveFormat format;
    format.formatTag = 1;
    format.channels = channels;
    format.samplesPerSec = rate;
    format.bitsPerSample = bits;
    format.blockAlign = static_cast<uint16_t>(channels * bits / 8);
    format.avgBytesPerSec = rate * format.blockAlign;
    return format;
}

std::atomic<int> notices{0};

void countAndLoop(WaveStream stream, uint32_t message, uintptr_t, WaveHeader* header) {
    if (message != kWaveDone) return;
    ++notices;
    if (std::atomic_ref<uint32_t>(header->user).load() != 0) waveWrite(stream, header);
}

bool waitForNotices(int count) {
    for (int i = 0; i < kMaxWaitSteps && notices.load() < count; ++i) sleepMs(kWaitStepMs);
    return notices.load() >= count;
}

std::filesystem::path freshDirectory(const char* name) {
    auto dir = std::filesystem::temp_directory_path() /
               (std::string("v2_sdl_") + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir;
}

TEST(WaveOut, DiskDriverRecordsWhatWasPlayed) {
    const auto dir = freshDirectory("disk");
    const std::string file = (dir / "out.raw").string();
    setenv("SDL_AUDIODRIVER", "disk", 1);
    setenv("SDL_DISKAUDIOFILE", file.c_str(), 1);
    setenv("SDL_DISKAUDIODELAY", "1", 1);
    notices = 0;

    // A tenth of a second of 22,050 Hz mono at a steady level.
    std::vector<int16_t> samples(2205, 12000);
    WaveHeader header;
    header.data = reinterpret_cast<const uint8_t*>(samples.data());
    header.length = static_cast<uint32_t>(samples.size() * 2);
    WaveStream stream = waveOpen(pcm(1, 22050, 16), countAndLoop, 0, "steady");
    ASSERT_NE(stream, nullptr);
    EXPECT_EQ(wavePrepare(stream, &header), kWaveOk);
    ASSERT_TRUE(waveWrite(stream, &header));
    EXPECT_FALSE(waveWrite(stream, &header));
    ASSERT_TRUE(waitForNotices(1));
    EXPECT_EQ(waveUnprepare(stream, &header), kWaveOk);
    waveClose(stream);  // the last stream: the device closes and the file is complete
    unsetenv("SDL_DISKAUDIOFILE");
    unsetenv("SDL_DISKAUDIODELAY");
    setenv("SDL_AUDIODRIVER", "dummy", 1);

    std::ifstream in(file, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 0u);
    std::vector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.data(), out.size() * 2);
    // The device runs in the clip's own format: its 2,205 samples come out as they are, and
    // nothing else is heard.
    int steady = 0;
    int other = 0;
    for (int16_t v : out) {
        steady += v == 12000 ? 1 : 0;
        other += v != 12000 && v != 0 ? 1 : 0;
    }
    EXPECT_EQ(steady, 2205);
    EXPECT_EQ(other, 0);
    std::filesystem::remove_all(dir);
}

TEST(WaveOut, LoopingStreamStopsLikeAClipBeingDestroyed) {
    notices = 0;
    std::vector<int16_t> samples(441, 3000);  // 10 ms
    WaveHeader header;
    header.data = reinterpret_cast<const uint8_t*>(samples.data());
    header.length = static_cast<uint32_t>(samples.size() * 2);
    header.user = 1;
    WaveStream stream = waveOpen(pcm(1, 44100, 16), countAndLoop, 0, "loop");
    ASSERT_NE(stream, nullptr);
    wavePrepare(stream, &header);
    ASSERT_TRUE(waveWrite(stream, &header));
    ASSERT_TRUE(waitForNotices(3));  // it went round at least three times by itself
    wavePause(stream);
    waveRestart(stream);
    // The clip's teardown: clear the loop word, reset, wait for the block, close.
    std::atomic_ref<uint32_t>(header.user).store(0);
    waveReset(stream);
    int tries = 0;
    while (waveUnprepare(stream, &header) == kWaveStillPlaying && tries < kMaxWaitSteps) {
        sleepMs(kWaitStepMs);
        ++tries;
    }
    EXPECT_EQ(waveUnprepare(stream, &header), kWaveOk);
    const int after = notices.load();
    waveClose(stream);
    EXPECT_EQ(notices.load(), after);  // nothing is delivered after the block came back
}

TEST(WaveOut, NoDeviceMeansNoStream) {
    // In a child process: the back end remembers a missing device for the rest of the run.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
        WaveStream stream = waveOpen(pcm(1, 22050, 8), countAndLoop, 0, "silent");
        WaveStream again = waveOpen(pcm(1, 22050, 8), countAndLoop, 0, "silent");
        // Every call on a missing stream is harmless.
        WaveHeader header;
        waveWrite(stream, &header);
        wavePause(stream);
        waveRestart(stream);
        waveReset(stream);
        waveUnprepare(stream, &header);
        waveClose(stream);
        _exit(stream == nullptr && again == nullptr ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
}  // namespace platform
