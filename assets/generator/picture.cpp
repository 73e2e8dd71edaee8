// Picture: clipped drawing primitives on a 24-bit RGB surface.
#include "picture.h"

#include <algorithm>
#include <cmath>

namespace artgen {

uint32_t mix(uint32_t a, uint32_t b, double t) {
    auto channel = [t](int from, int to) {
        return static_cast<int>(std::lround(from + (to - from) * std::clamp(t, 0.0, 1.0)));
    };
    return rgb(channel(redOf(a), redOf(b)), channel(greenOf(a), greenOf(b)),
               channel(blueOf(a), blueOf(b)));
}

Picture::Picture(int width, int height, uint32_t fill)
    : w(width), h(height), px(static_cast<size_t>(width) * height, fill) {}

void Picture::set(int x, int y, uint32_t colour) {
    if (colour == kClear || !inside(x, y)) return;
    px[static_cast<size_t>(y) * w + x] = colour;
}

void Picture::fillRect(int x, int y, int width, int height, uint32_t colour) {
    for (int j = y; j < y + height; ++j)
        for (int i = x; i < x + width; ++i) set(i, j, colour);
}

void Picture::frameRect(int x, int y, int width, int height, uint32_t colour) {
    hLine(x, y, width, colour);
    hLine(x, y + height - 1, width, colour);
    vLine(x, y, height, colour);
    vLine(x + width - 1, y, height, colour);
}

void Picture::roundRect(int x, int y, int width, int height, int radius, uint32_t colour) {
    for (int j = 0; j < height; ++j) {
        int fromEdge = std::min(j, height - 1 - j);
        int inset = 0;
        if (fromEdge < radius) inset = radius - fromEdge;
        hLine(x + inset, y + j, width - 2 * inset, colour);
    }
}

void Picture::disc(double cx, double cy, double radius, uint32_t colour) {
    int x0 = static_cast<int>(std::floor(cx - radius));
    int x1 = static_cast<int>(std::ceil(cx + radius));
    int y0 = static_cast<int>(std::floor(cy - radius));
    int y1 = static_cast<int>(std::ceil(cy + radius));
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            double dx = x + 0.5 - cx;
            double dy = y + 0.5 - cy;
            if (dx * dx + dy * dy <= radius * radius) set(x, y, colour);
        }
}

void Picture::blit(const Picture& from, int sx, int sy, int width, int height, int dx, int dy,
                   uint32_t key) {
    for (int j = 0; j < height; ++j)
        for (int i = 0; i < width; ++i) {
            if (!from.inside(sx + i, sy + j)) continue;
            uint32_t c = from.at(sx + i, sy + j);
            if (key != kClear && c == key) continue;
            set(dx + i, dy + j, c);
        }
}

Picture Picture::scaled(int factor) const {
    Picture out(w * factor, h * factor);
    for (int y = 0; y < out.h; ++y)
        for (int x = 0; x < out.w; ++x)
            out.px[static_cast<size_t>(y) * out.w + x] = at(x / factor, y / factor);
    return out;
}

}  // namespace artgen
