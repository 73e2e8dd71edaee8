// The looks' pixel passes, whole pixels throughout.
#include "graphics/looks.h"

#include <algorithm>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/image.h"

namespace looks {
namespace {
constexpr int redOf(uint16_t p) {
    return (p >> 11) & 31;
}
constexpr int greenOf(uint16_t p) {
    return (p >> 6) & 31;
}
constexpr int blueOf(uint16_t p) {
    return p & 31;
}
constexpr uint16_t pack(int r, int g, int b) {
    return static_cast<uint16_t>((r << 11) | (g << 6) | b);
}
// Brightness weighted as the eye weighs the channels, 0..248.
constexpr int brightness(uint16_t p) {
    return 2 * redOf(p) + 5 * greenOf(p) + blueOf(p);
}
// Below this a pixel is background: the night field, its grid and stars' halo, shadows and
// the dark bevels. The hint colour (about 148) and every brick colour stay above it.
constexpr int kDarkBelow = 100;

bool inside(const Canvas* canvas, int x, int y) {
    return x >= 0 && y >= 0 && x < static_cast<int>(canvas->width()) &&
           y < static_cast<int>(canvas->height());
}
}  // namespace

uint16_t mix(uint16_t over, uint16_t under, int weight) {
    weight = std::clamp(weight, 0, 31);
    const int r = (redOf(over) * weight + redOf(under) * (31 - weight)) / 31;
    const int g = (greenOf(over) * weight + greenOf(under) * (31 - weight)) / 31;
    const int b = (blueOf(over) * weight + blueOf(under) * (31 - weight)) / 31;
    return pack(r, g, b);
}

void fillRect(Canvas* canvas, int x, int y, int w, int h, uint16_t pixel) {
    const int x0 = std::max(x, 0), y0 = std::max(y, 0);
    const int x1 = std::min(x + w, static_cast<int>(canvas->width()));
    const int y1 = std::min(y + h, static_cast<int>(canvas->height()));
    for (int yy = y0; yy < y1; ++yy)
        for (int xx = x0; xx < x1; ++xx) canvas->setPixelAt(xx, yy, pixel);
}

void outlineObjects(Canvas* canvas, int top, int bottom, uint16_t field, uint16_t outline) {
    const int w = static_cast<int>(canvas->width());
    top = std::max(top, 0);
    bottom = std::min(bottom, static_cast<int>(canvas->height()));
    if (bottom <= top) return;
    const int h = bottom - top;
    // First which pixels are solid parts of objects, then the ring: the ring never feeds itself.
    std::vector<uint8_t> object(static_cast<size_t>(w) * h, 0);
    auto isObject = [&](int x, int y) {
        return x >= 0 && x < w && y >= top && y < bottom && canvas->pixelAt(x, y) != field;
    };
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < w; ++x) {
            if (!isObject(x, y)) continue;
            const int neighbours =
                isObject(x - 1, y) + isObject(x + 1, y) + isObject(x, y - 1) + isObject(x, y + 1);
            object[static_cast<size_t>(y - top) * w + x] = neighbours >= 2;
        }
    }
    auto solid = [&](int x, int y) {
        return x >= 0 && x < w && y >= top && y < bottom &&
               object[static_cast<size_t>(y - top) * w + x] != 0;
    };
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < w; ++x) {
            if (canvas->pixelAt(x, y) != field) continue;
            if (solid(x - 1, y) || solid(x + 1, y) || solid(x, y - 1) || solid(x, y + 1))
                canvas->setPixelAt(x, y, outline);
        }
    }
}

void raiseContrast(Canvas* canvas, int top, int bottom) {
    const int w = static_cast<int>(canvas->width());
    top = std::max(top, 0);
    bottom = std::min(bottom, static_cast<int>(canvas->height()));
    for (int y = top; y < bottom; ++y) {
        for (int x = 0; x < w; ++x) {
            const uint16_t p = canvas->pixelAt(x, y);
            if (brightness(p) < kDarkBelow) {
                canvas->setPixelAt(x, y, kBlack);
                continue;
            }
            const int r = redOf(p), g = greenOf(p), b = blueOf(p);
            const int top3 = std::max({r, g, b});
            canvas->setPixelAt(x, y, pack(r * 31 / top3, g * 31 / top3, b * 31 / top3));
        }
    }
}

void blendImage(Canvas* canvas, int dx, int dy, int w, int h, const Image* image, int sx, int sy,
                uint16_t keyPixel, int weight) {
    if (image == nullptr || image->pixels == nullptr) return;
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            const int ix = sx + x, iy = sy + y;
            if (ix < 0 || iy < 0 || ix >= image->width || iy >= image->height) continue;
            if (!inside(canvas, dx + x, dy + y)) continue;
            const uint16_t s = image->pixels[static_cast<size_t>(iy) * image->width + ix];
            if (s == keyPixel) continue;
            canvas->setPixelAt(dx + x, dy + y, mix(s, canvas->pixelAt(dx + x, dy + y), weight));
        }
    }
}

void drawMask(Canvas* canvas, int x, int y, const char* const* rows, int rowCount, uint16_t pixel) {
    for (int r = 0; r < rowCount; ++r) {
        for (int c = 0; rows[r][c] != '\0'; ++c) {
            if (rows[r][c] == '#' && inside(canvas, x + c, y + r))
                canvas->setPixelAt(x + c, y + r, pixel);
        }
    }
}

}  // namespace looks
