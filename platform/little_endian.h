// Little-endian integers in byte buffers: every file the game reads or writes stores its
// numbers this way (the level table, the saved game, the score file, the WAV header).
// Header-only and free of system headers, so tools and generators use it too.
#pragma once
#include <cstdint>

namespace le {

constexpr uint16_t read16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

constexpr uint32_t read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

constexpr void write16(uint8_t* p, uint16_t value) {
    p[0] = static_cast<uint8_t>(value);
    p[1] = static_cast<uint8_t>(value >> 8);
}

constexpr void write32(uint8_t* p, uint32_t value) {
    for (int b = 0; b < 4; ++b) p[b] = static_cast<uint8_t>(value >> (8 * b));
}

// Appends to any byte container with push_back (std::vector<uint8_t>, std::string).
template <class Bytes>
void append16(Bytes& out, uint16_t value) {
    out.push_back(static_cast<uint8_t>(value));
    out.push_back(static_cast<uint8_t>(value >> 8));
}

template <class Bytes>
void append32(Bytes& out, uint32_t value) {
    for (int b = 0; b < 4; ++b) out.push_back(static_cast<uint8_t>(value >> (8 * b)));
}

}  // namespace le
