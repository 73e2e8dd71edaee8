// The mixer driven directly: conversion to the device format, refused retriggers, loops that
// re-queue from their done notice, pause, reset, mixing and clipping.
#include "platform/sdl/audio_mixer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

namespace platform {
namespace {

constexpr int kRate = 44100;

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

// Counts done notices and, like a looping clip, writes the block again while `user` is set.
struct Listener {
    static void onDone(WaveStream stream, uint32_t message, uintptr_t instance,
                       WaveHeader* header) {
        auto* self = reinterpret_cast<Listener*>(instance);
        if (message != kWaveDone) return;
        ++self->notices;
        bool loop = header->user != 0;
        if (self->resetDuringNotice) {
            // The owner clears the word and resets just after this callback read the word.
            self->resetDuringNotice = false;
            header->user = 0;
            stream->mixer->reset(stream);
        }
        if (loop) self->requeued = stream->mixer->write(stream, header);
    }
    int notices = 0;
    bool requeued = false;
    bool resetDuringNotice = false;
};

// A block of 16-bit stereo frames whose left and right samples are the given values.
struct Block {
    explicit Block(const std::vector<int16_t>& frames) {
        for (int16_t v : frames) {
            samples.push_back(v);
            samples.push_back(v);
        }
        header.data = reinterpret_cast<const uint8_t*>(samples.data());
        header.length = static_cast<uint32_t>(samples.size() * 2);
    }
    std::vector<int16_t> samples;
    WaveHeader header;
};

std::vector<int16_t> mixFrames(AudioMixer& mixer, int frames) {
    std::vector<int16_t> out(static_cast<size_t>(frames) * 2, 12345);
    mixer.mix(out.data(), frames);
    return out;
}

std::vector<int16_t> left(const std::vector<int16_t>& out) {
    std::vector<int16_t> values;
    for (size_t i = 0; i < out.size(); i += 2) values.push_back(out[i]);
    return values;
}

std::vector<int16_t> ramp(int from, int count) {
    std::vector<int16_t> values;
    for (int i = 0; i < count; ++i) values.push_back(static_cast<int16_t>(from + i));
    return values;
}

TEST(AudioMixer, ConvertsBlocksToTheDeviceFormat) {
    AudioMixer mixer(kRate);
    Listener listener;
    // 16-bit stereo at the device rate plays sample for sample.
    WaveStream stereo = mixer.open(pcm(2, kRate, 16), Listener::onDone,
                                   reinterpret_cast<uintptr_t>(&listener), "stereo");
    ASSERT_NE(stereo, nullptr);
    const int16_t frames[] = {1000, -1000, 2000, -2000, 3000, -3000};
    WaveHeader header;
    header.data = reinterpret_cast<const uint8_t*>(frames);
    header.length = sizeof frames;
    EXPECT_EQ(mixer.prepare(stereo, &header), kWaveOk);
    ASSERT_TRUE(mixer.write(stereo, &header));
    EXPECT_EQ(mixFrames(mixer, 4),
              (std::vector<int16_t>{1000, -1000, 2000, -2000, 3000, -3000, 0, 0}));
    EXPECT_EQ(listener.notices, 1);
    mixer.close(stereo);

    // 8-bit mono: unsigned around 128, the same on both sides; 0xC0 is +64/128 of full scale.
    WaveStream mono8 = mixer.open(pcm(1, kRate, 8), nullptr, 0, "mono8");
    ASSERT_NE(mono8, nullptr);
    const uint8_t bytes[] = {0xC0, 0x40, 0x80};
    WaveHeader header8;
    header8.data = bytes;
    header8.length = sizeof bytes;
    ASSERT_TRUE(mixer.write(mono8, &header8));
    std::vector<int16_t> out = mixFrames(mixer, 4);
    const int expected[] = {16384, 16384, -16384, -16384, 0, 0, 0, 0};
    for (size_t i = 0; i < out.size(); ++i) EXPECT_NEAR(out[i], expected[i], 2) << i;
    mixer.close(mono8);

    // 16-bit mono at half the device rate lasts twice as many frames.
    WaveStream slow = mixer.open(pcm(1, kRate / 2, 16), nullptr, 0, "slow");
    ASSERT_NE(slow, nullptr);
    std::vector<int16_t> steady(100, 8000);
    WaveHeader slowHeader;
    slowHeader.data = reinterpret_cast<const uint8_t*>(steady.data());
    slowHeader.length = static_cast<uint32_t>(steady.size() * 2);
    ASSERT_TRUE(mixer.write(slow, &slowHeader));
    out = left(mixFrames(mixer, 300));
    EXPECT_NEAR(out[100], 8000, 80);
    EXPECT_NEAR(out[150], 8000, 80);
    int played = 0;
    for (int16_t v : out) played += v != 0 ? 1 : 0;
    EXPECT_NEAR(played, 200, 4);
    mixer.close(slow);
}

TEST(AudioMixer, MonoDevicePlaysItsOwnFormatWhereItLies) {
    constexpr int kMonoRate = 22050;
    AudioMixer mixer(kMonoRate, 1);
    auto mix = [&mixer](int frames) {
        std::vector<int16_t> out(static_cast<size_t>(frames), 12345);
        mixer.mix(out.data(), frames);
        return out;
    };
    // The device's own format is not copied: a change to the block after writing is heard.
    WaveStream own = mixer.open(pcm(1, kMonoRate, 16), nullptr, 0, "own");
    ASSERT_NE(own, nullptr);
    std::vector<int16_t> samples{100, 200, 300};
    WaveHeader header;
    header.data = reinterpret_cast<const uint8_t*>(samples.data());
    header.length = 5;  // and a trailing partial sample is not played
    EXPECT_EQ(mixer.prepare(own, &header), kWaveOk);
    ASSERT_TRUE(mixer.write(own, &header));
    samples[1] = 250;
    EXPECT_EQ(mix(3), (std::vector<int16_t>{100, 250, 0}));
    EXPECT_EQ(mixer.unprepare(own, &header), kWaveOk);
    mixer.close(own);

    // Other layouts are converted to mono: stereo is the mean of both sides.
    WaveStream stereo = mixer.open(pcm(2, kMonoRate, 16), nullptr, 0, "stereo");
    ASSERT_NE(stereo, nullptr);
    const int16_t frames[] = {1000, 3000, -2000, -4000};
    WaveHeader stereoHeader;
    stereoHeader.data = reinterpret_cast<const uint8_t*>(frames);
    stereoHeader.length = sizeof frames;
    ASSERT_TRUE(mixer.write(stereo, &stereoHeader));
    const std::vector<int16_t> out = mix(3);
    EXPECT_NEAR(out[0], 2000, 2);
    EXPECT_NEAR(out[1], -3000, 2);
    EXPECT_EQ(out[2], 0);
    mixer.close(stereo);
}

TEST(AudioMixer, RetriggerIsRefusedUntilTheBlockEnds) {
    AudioMixer mixer(kRate);
    Listener listener;
    WaveStream stream = mixer.open(pcm(2, kRate, 16), Listener::onDone,
                                   reinterpret_cast<uintptr_t>(&listener), "hit");
    Block block(ramp(1, 10));
    ASSERT_TRUE(mixer.write(stream, &block.header));
    EXPECT_FALSE(mixer.write(stream, &block.header));  // queued
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveStillPlaying);
    EXPECT_EQ(left(mixFrames(mixer, 6)), ramp(1, 6));
    EXPECT_FALSE(mixer.write(stream, &block.header));  // playing: not restarted
    EXPECT_EQ(listener.notices, 0);
    EXPECT_EQ(left(mixFrames(mixer, 6)), (std::vector<int16_t>{7, 8, 9, 10, 0, 0}));
    EXPECT_EQ(listener.notices, 1);
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveOk);
    // Finished: the next write plays it again from the start.
    ASSERT_TRUE(mixer.write(stream, &block.header));
    EXPECT_EQ(left(mixFrames(mixer, 3)), ramp(1, 3));
    mixer.close(stream);
}

TEST(AudioMixer, LoopRequeuesFromItsNoticeWithoutAGap) {
    AudioMixer mixer(kRate);
    Listener listener;
    WaveStream stream = mixer.open(pcm(2, kRate, 16), Listener::onDone,
                                   reinterpret_cast<uintptr_t>(&listener), "music");
    Block block(ramp(1, 10));
    block.header.user = 1;
    ASSERT_TRUE(mixer.write(stream, &block.header));
    std::vector<int16_t> expected;
    for (int i = 0; i < 25; ++i) expected.push_back(static_cast<int16_t>(i % 10 + 1));
    EXPECT_EQ(left(mixFrames(mixer, 25)), expected);
    EXPECT_EQ(listener.notices, 2);
    EXPECT_TRUE(listener.requeued);
    // The loop stops once its owner clears the word: frames 6..10 end it.
    block.header.user = 0;
    EXPECT_EQ(left(mixFrames(mixer, 8)), (std::vector<int16_t>{6, 7, 8, 9, 10, 0, 0, 0}));
    EXPECT_EQ(listener.notices, 3);
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveOk);

    // A reset that meets the loop's re-queue stops the re-queued block at once.
    block.header.user = 1;
    ASSERT_TRUE(mixer.write(stream, &block.header));
    listener.resetDuringNotice = true;
    EXPECT_EQ(left(mixFrames(mixer, 14)),
              (std::vector<int16_t>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 0, 0, 0, 0}));
    EXPECT_EQ(listener.notices, 5);  // the end, then the reset of the re-queued block
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveOk);
    mixer.close(stream);
}

TEST(AudioMixer, PauseKeepsThePositionAndResetReturnsTheBlock) {
    AudioMixer mixer(kRate);
    Listener listener;
    WaveStream stream = mixer.open(pcm(2, kRate, 16), Listener::onDone,
                                   reinterpret_cast<uintptr_t>(&listener), "music");
    Block block(ramp(1, 10));
    ASSERT_TRUE(mixer.write(stream, &block.header));
    EXPECT_EQ(left(mixFrames(mixer, 3)), ramp(1, 3));
    mixer.pause(stream);
    EXPECT_EQ(left(mixFrames(mixer, 4)), std::vector<int16_t>(4, 0));
    EXPECT_FALSE(mixer.write(stream, &block.header));  // paused is still held
    mixer.restart(stream);
    EXPECT_EQ(left(mixFrames(mixer, 4)), ramp(4, 4));

    // Reset: nothing more plays, the notice comes from the mixing side, then the block is free.
    mixer.reset(stream);
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveStillPlaying);
    EXPECT_EQ(listener.notices, 0);
    EXPECT_EQ(left(mixFrames(mixer, 3)), std::vector<int16_t>(3, 0));
    EXPECT_EQ(listener.notices, 1);
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveOk);

    // A block written to a paused stream waits for the restart; reset returns it even paused.
    mixer.pause(stream);
    ASSERT_TRUE(mixer.write(stream, &block.header));
    EXPECT_EQ(left(mixFrames(mixer, 2)), std::vector<int16_t>(2, 0));
    mixer.restart(stream);
    EXPECT_EQ(left(mixFrames(mixer, 2)), ramp(1, 2));
    mixer.pause(stream);
    mixer.reset(stream);
    mixFrames(mixer, 1);
    EXPECT_EQ(listener.notices, 2);
    EXPECT_EQ(mixer.unprepare(stream, &block.header), kWaveOk);
    mixer.close(stream);
}

TEST(AudioMixer, StreamsAreSummedAndClipped) {
    AudioMixer mixer(kRate);
    WaveStream a = mixer.open(pcm(2, kRate, 16), nullptr, 0, "a");
    WaveStream b = mixer.open(pcm(2, kRate, 16), nullptr, 0, "b");
    Block first({1000, 30000, -30000, 5});
    Block second({2000, 30000, -30000});
    ASSERT_TRUE(mixer.write(a, &first.header));
    ASSERT_TRUE(mixer.write(b, &second.header));
    EXPECT_EQ(left(mixFrames(mixer, 5)), (std::vector<int16_t>{3000, 32767, -32768, 5, 0}));
    mixer.close(a);
    mixer.close(b);
}

TEST(AudioMixer, OddFormatsAndEmptyBlocks) {
    AudioMixer mixer(kRate);
    WaveFormat floating = pcm(2, kRate, 32);
    floating.formatTag = 3;
    EXPECT_EQ(mixer.open(floating, nullptr, 0, "float"), nullptr);
    EXPECT_EQ(mixer.open(pcm(2, kRate, 24), nullptr, 0, "24-bit"), nullptr);
    EXPECT_EQ(mixer.open(pcm(0, kRate, 16), nullptr, 0, "no channels"), nullptr);
    EXPECT_EQ(mixer.open(pcm(2, 0, 16), nullptr, 0, "no rate"), nullptr);

    // An empty block (a header-only file) ends at once and hands its notice back.
    Listener listener;
    WaveStream stream = mixer.open(pcm(2, kRate, 16), Listener::onDone,
                                   reinterpret_cast<uintptr_t>(&listener), "empty");
    WaveHeader empty;
    ASSERT_TRUE(mixer.write(stream, &empty));
    EXPECT_EQ(left(mixFrames(mixer, 2)), std::vector<int16_t>(2, 0));
    EXPECT_EQ(listener.notices, 1);
    // Even looping, an empty block gives one notice per buffer and never holds the mixer.
    empty.user = 1;
    ASSERT_TRUE(mixer.write(stream, &empty));
    mixFrames(mixer, 2);
    EXPECT_EQ(listener.notices, 2);
    empty.user = 0;
    mixFrames(mixer, 2);
    EXPECT_EQ(listener.notices, 3);

    // A trailing partial frame is not played: 6 bytes of 16-bit stereo is one frame.
    const int16_t partial[] = {700, 700, 800};
    WaveHeader partialHeader;
    partialHeader.data = reinterpret_cast<const uint8_t*>(partial);
    partialHeader.length = sizeof partial;
    ASSERT_TRUE(mixer.write(stream, &partialHeader));
    EXPECT_EQ(mixFrames(mixer, 2), (std::vector<int16_t>{700, 700, 0, 0}));
    mixer.close(stream);
}

}  // namespace
}  // namespace platform
