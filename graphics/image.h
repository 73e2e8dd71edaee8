// Image: an RGB565 picture made once from a bitmap resource of the executable.
#pragma once
#include <cstdint>

#include "platform/bitmap.h"

// 16-bit pixel from 8-bit channels: red in bits 15..11, green in bits 10..6, blue in 4..0.
constexpr uint16_t toPixel(uint32_t red, uint32_t green, uint32_t blue) {
    return static_cast<uint16_t>(((red & 0xF8) << 8) | ((green & 0xF8) << 3) |
                                 ((blue & 0xFF) >> 3));
}

// The same for a platform colour value (red in bits 0..7, green 8..15, blue 16..23).
constexpr uint16_t toPixel(uint32_t colour) {
    return toPixel(colour & 0xFF, (colour >> 8) & 0xFF, (colour >> 16) & 0xFF);
}

class Image {
  public:
    // A resource that cannot be loaded shows "ERROR LOAD RESOURCE" and leaves an empty image
    // (no pixels, 0 x 0) that every Canvas operation rejects.
    Image(InstanceHandle instance, int resourceId);
    ~Image();
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;

    uint16_t* pixels = nullptr;
    int32_t width = 0;
    int32_t height = 0;
};
