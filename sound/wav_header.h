// WavHeader: the fixed 44-byte header at the start of the game's WAV files.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "platform/wave_out.h"

struct WavHeader {
    static constexpr size_t kBytes = 44;  // the samples start here
    // The largest file taken: its sample length must fit the stream's 32-bit block length
    // with room to spare, as a signed size.
    static constexpr size_t kMaxFileBytes = 0x7FFFFFFF;

    platform::WaveFormat format;  // bytes 20..35 as they stand; extraSize 0
    size_t sampleBytes = 0;       // everything from byte 44 to the end of the file
};

// The header of a whole WAV file of `size` bytes. Only the format fields are read: the RIFF
// chunk names and lengths are not checked, so extra chunks are played as samples. nullopt for
// a file shorter than its header or longer than kMaxFileBytes (such a clip stays silent).
std::optional<WavHeader> readWavHeader(const uint8_t* data, size_t size);
