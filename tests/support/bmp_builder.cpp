// Builds small BMP files in memory for tests.
#include "tests/support/bmp_builder.h"

namespace testing_support {
namespace {
void put16(std::vector<uint8_t>& b, uint16_t v) {
    b.push_back(v & 0xFF);
    b.push_back(v >> 8);
}
void put32(std::vector<uint8_t>& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xFF);
}
std::vector<uint8_t> header(int width, int height, int depth, int paletteSize, uint32_t rowBytes) {
    std::vector<uint8_t> b;
    const uint32_t pixelOffset = 54 + 4 * paletteSize;
    b.push_back('B');
    b.push_back('M');
    put32(b, pixelOffset + rowBytes * height);
    put32(b, 0);
    put32(b, pixelOffset);
    put32(b, 40);
    put32(b, width);
    put32(b, height);  // bottom-up
    put16(b, 1);
    put16(b, depth);
    put32(b, 0);
    put32(b, rowBytes * height);
    put32(b, 3780);
    put32(b, 3780);
    put32(b, paletteSize);
    put32(b, 0);
    return b;
}
}  // namespace

std::vector<uint8_t> makeBmp24(int width, int height, const std::vector<Rgb>& pixels) {
    const uint32_t rowBytes = (width * 3 + 3) & ~3u;
    auto b = header(width, height, 24, 0, rowBytes);
    for (int y = height - 1; y >= 0; --y) {
        uint32_t written = 0;
        for (int x = 0; x < width; ++x, written += 3) {
            const Rgb& c = pixels[y * width + x];
            b.push_back(c.b);
            b.push_back(c.g);
            b.push_back(c.r);
        }
        for (; written < rowBytes; ++written) b.push_back(0);
    }
    return b;
}

std::vector<uint8_t> makeBmp8(int width, int height, const std::vector<Rgb>& palette,
                              const std::vector<uint8_t>& indices) {
    const uint32_t rowBytes = (width + 3) & ~3u;
    auto b = header(width, height, 8, static_cast<int>(palette.size()), rowBytes);
    for (const Rgb& c : palette) {
        b.push_back(c.b);
        b.push_back(c.g);
        b.push_back(c.r);
        b.push_back(0);
    }
    for (int y = height - 1; y >= 0; --y) {
        uint32_t written = 0;
        for (int x = 0; x < width; ++x, ++written) b.push_back(indices[y * width + x]);
        for (; written < rowBytes; ++written) b.push_back(0);
    }
    return b;
}

}  // namespace testing_support
