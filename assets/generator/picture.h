// Picture: a 24-bit RGB drawing surface that the artwork generator paints into before it is
// written out as a BMP resource.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace artgen {

// Colours are 0xRRGGBB; kClear marks a pixel that a paste leaves untouched.
constexpr uint32_t kClear = 0xFFFFFFFFu;

constexpr uint32_t rgb(int r, int g, int b) {
    return (static_cast<uint32_t>(r & 0xFF) << 16) | (static_cast<uint32_t>(g & 0xFF) << 8) |
           static_cast<uint32_t>(b & 0xFF);
}
constexpr int redOf(uint32_t c) {
    return static_cast<int>((c >> 16) & 0xFF);
}
constexpr int greenOf(uint32_t c) {
    return static_cast<int>((c >> 8) & 0xFF);
}
constexpr int blueOf(uint32_t c) {
    return static_cast<int>(c & 0xFF);
}

// The game's 16-bit pixel of a colour: the top five bits of each channel survive.
constexpr uint16_t gamePixel(uint32_t c) {
    return static_cast<uint16_t>(((redOf(c) & 0xF8) << 8) | ((greenOf(c) & 0xF8) << 3) |
                                 (blueOf(c) >> 3));
}

// Mixes a towards b by t in 0..1.
uint32_t mix(uint32_t a, uint32_t b, double t);

class Picture {
  public:
    Picture() = default;
    Picture(int width, int height, uint32_t fill = 0);

    int width() const { return w; }
    int height() const { return h; }
    bool inside(int x, int y) const { return x >= 0 && y >= 0 && x < w && y < h; }
    uint32_t at(int x, int y) const { return px[static_cast<size_t>(y) * w + x]; }
    // Writes are clipped to the picture; kClear is never written.
    void set(int x, int y, uint32_t colour);

    void fillRect(int x, int y, int width, int height, uint32_t colour);
    void frameRect(int x, int y, int width, int height, uint32_t colour);
    // A filled rectangle with its four corner pixels cut off (radius 1) or rounded (radius 2).
    void roundRect(int x, int y, int width, int height, int radius, uint32_t colour);
    void hLine(int x, int y, int length, uint32_t colour) { fillRect(x, y, length, 1, colour); }
    void vLine(int x, int y, int length, uint32_t colour) { fillRect(x, y, 1, length, colour); }
    void disc(double cx, double cy, double radius, uint32_t colour);
    // Copies a rectangle of another picture; pixels equal to `key` are skipped (kClear: none).
    void blit(const Picture& from, int sx, int sy, int width, int height, int dx, int dy,
              uint32_t key = kClear);
    // Nearest-neighbour enlargement by a whole factor.
    Picture scaled(int factor) const;

  private:
    int w = 0;
    int h = 0;
    std::vector<uint32_t> px;
};

}  // namespace artgen
