// Builds small BMP files in memory for tests (24-bit, or 8-bit with a palette).
#pragma once
#include <cstdint>
#include <vector>

namespace testing_support {

struct Rgb {
    uint8_t r, g, b;
};

// pixels: width * height colours, top row first.
std::vector<uint8_t> makeBmp24(int width, int height, const std::vector<Rgb>& pixels);
// indices: width * height palette indices, top row first.
std::vector<uint8_t> makeBmp8(int width, int height, const std::vector<Rgb>& palette,
                              const std::vector<uint8_t>& indices);

}  // namespace testing_support
