// Fixed: the signed 16.16 fixed-point number used for every position, size and velocity.
#pragma once
#include <cstdint>

using Fixed = int32_t;

constexpr Fixed kFixedOne = 0x10000;  // one pixel

// A whole number of pixels as a Fixed.
constexpr Fixed px(int pixels) {
    return static_cast<Fixed>(static_cast<uint32_t>(pixels) << 16);
}

// The integer part, by an arithmetic shift (so -0.5 px becomes -1).
constexpr int32_t wholePixels(Fixed value) {
    return value >> 16;
}
