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
    if (x1 <= x0) return;
    uint16_t* pixels = canvas->buffer();
    const int32_t xStep = canvas->xStep(), yStep = canvas->yStep();
    for (int yy = y0; yy < y1; ++yy) {
        uint16_t* p = pixels + x0 * xStep + yy * yStep;
        if (xStep == 1) {
            std::fill(p, p + (x1 - x0), pixel);
        } else {
            for (int xx = x0; xx < x1; ++xx, p += xStep) *p = pixel;
        }
    }
}

// Drawn once a frame over the whole playing area, so it works on plain rows, in loops the
// compiler turns into vector code: the part of the frame marked out with a blank border, the
// solid marks, then the ring written back.
void outlineObjects(Canvas* canvas, int top, int bottom, uint16_t field, uint16_t outline) {
    const int w = static_cast<int>(canvas->width());
    top = std::max(top, 0);
    bottom = std::min(bottom, static_cast<int>(canvas->height()));
    if (bottom <= top) return;
    const int h = bottom - top;
    const int stride = w + 2;
    // Whether each pixel is not field (with a border of field), then whether it is solid.
    static thread_local std::vector<uint8_t> filled, solid;
    filled.assign(static_cast<size_t>(stride) * (h + 2), 0);
    solid.assign(filled.size(), 0);
    uint16_t* pixels = canvas->buffer();
    const int32_t xStep = canvas->xStep(), yStep = canvas->yStep();
    for (int y = 0; y < h; ++y) {
        const uint16_t* p = pixels + (top + y) * yStep;
        uint8_t* f = filled.data() + static_cast<size_t>(y + 1) * stride + 1;
        if (xStep == 1) {
            for (int x = 0; x < w; ++x) f[x] = p[x] != field;
        } else {
            for (int x = 0; x < w; ++x) f[x] = p[x * xStep] != field;
        }
    }
    for (int y = 1; y <= h; ++y) {
        const uint8_t* f = filled.data() + static_cast<size_t>(y) * stride;
        uint8_t* s = solid.data() + static_cast<size_t>(y) * stride;
        for (int x = 1; x <= w; ++x) {
            const int around = f[x - 1] + f[x + 1] + f[x - stride] + f[x + stride];
            s[x] = static_cast<uint8_t>(f[x] & (around >= 2));
        }
    }
    for (int y = 1; y <= h; ++y) {
        const uint8_t* f = filled.data() + static_cast<size_t>(y) * stride + 1;
        const uint8_t* s = solid.data() + static_cast<size_t>(y) * stride + 1;
        uint16_t* p = pixels + (top + y - 1) * yStep;
        auto ring = [&](int x) {
            return (f[x] ^ 1) & (s[x - 1] | s[x + 1] | s[x - stride] | s[x + stride]);
        };
        if (xStep == 1) {
            for (int x = 0; x < w; ++x) p[x] = ring(x) ? outline : p[x];
        } else {
            for (int x = 0; x < w; ++x)
                if (ring(x)) p[x * xStep] = outline;
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
