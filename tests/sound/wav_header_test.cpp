// readWavHeader: the format fields at their offsets, the samples after byte 44, short files.
#include "sound/wav_header.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

TEST(WavHeader, FormatFieldsAndSampleLengthFromTheFixedLayout) {
    // Every byte of the format block distinct, so a field read from the wrong offset or in
    // the wrong byte order shows. The chunk names are garbage: they are not looked at.
    std::vector<uint8_t> file(50, '?');
    for (int b = 20; b < 36; ++b) file[b] = static_cast<uint8_t>(0x10 + b);
    const std::optional<WavHeader> wav = readWavHeader(file.data(), file.size());
    ASSERT_TRUE(wav.has_value());
    EXPECT_EQ(wav->format.formatTag, 0x2524);
    EXPECT_EQ(wav->format.channels, 0x2726);
    EXPECT_EQ(wav->format.samplesPerSec, 0x2B2A2928u);
    EXPECT_EQ(wav->format.avgBytesPerSec, 0x2F2E2D2Cu);
    EXPECT_EQ(wav->format.blockAlign, 0x3130);
    EXPECT_EQ(wav->format.bitsPerSample, 0x3332);
    EXPECT_EQ(wav->format.extraSize, 0);
    EXPECT_EQ(wav->sampleBytes, 6u);

    // The header alone is a clip of no samples; a byte less is no clip.
    EXPECT_EQ(readWavHeader(file.data(), 44)->sampleBytes, 0u);
    EXPECT_FALSE(readWavHeader(file.data(), 43).has_value());
    EXPECT_FALSE(readWavHeader(file.data(), 0).has_value());
    // A file too long for a stream's block is no clip either (only its size is looked at).
    EXPECT_TRUE(readWavHeader(file.data(), 0x7FFFFFFF).has_value());
    EXPECT_FALSE(readWavHeader(file.data(), 0x80000000).has_value());
}
