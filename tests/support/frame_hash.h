// A 64-bit FNV-1a hash of frames, to pin down every pixel a drawing path produces.
#pragma once
#include <cstddef>
#include <cstdint>

namespace testing_support {

constexpr uint64_t kFrameHashStart = 0xCBF29CE484222325ull;

// Folds `count` 16-bit pixels into `hash` (low byte first, as they lie in memory here).
inline uint64_t hashPixels(const uint16_t* pixels, size_t count, uint64_t hash = kFrameHashStart) {
    for (size_t i = 0; i < count; ++i) {
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (pixels[i] >> shift) & 0xFF;
            hash *= 0x100000001B3ull;
        }
    }
    return hash;
}

}  // namespace testing_support
