// Spark: the five-pixel cross.
#include "entities/spark.h"

#include <array>
#include <cstddef>

#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "platform/random.h"

namespace {
// The palette as frame pixels, worked out once.
constexpr std::array<uint16_t, 16> kSparkPixels = [] {
    std::array<uint16_t, 16> pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = toPixel(Spark::sparkColours[i]);
    return pixels;
}();
// The flash-safe look's palette: the same colours at half strength.
constexpr std::array<uint16_t, 16> kSoftSparkPixels = [] {
    std::array<uint16_t, 16> pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t c = Spark::sparkColours[i];
        pixels[i] = toPixel((c & 0xFF) >> 1, ((c >> 8) & 0xFF) >> 1, ((c >> 16) & 0xFF) >> 1);
    }
    return pixels;
}();

// A living spark's cross at (x, y). One draw per pixel, in this order: centre, right, left,
// below, above. The draws come before the pixels are set, which changes nothing: setting a
// pixel draws nothing. Every look takes the same five draws; only the palette differs.
[[gnu::always_inline]] inline void drawCross(Fixed x, Fixed y, Canvas* canvas,
                                             platform::RandomRun& draw,
                                             const std::array<uint16_t, 16>& palette) {
    int draws[5];
    draw.next(draws);
    canvas->setCross(x, y,
                     {palette[draws[0] % 16], palette[draws[1] % 16], palette[draws[2] % 16],
                      palette[draws[3] % 16], palette[draws[4] % 16]});
}

const std::array<uint16_t, 16>& sparkPalette() {
    return presentation().flashSafe ? kSoftSparkPixels : kSparkPixels;
}
}  // namespace

void Spark::draw(Canvas* canvas) const {
    if (life_ < 0) return;
    platform::RandomRun draw;
    drawCross(x_, y_, canvas, draw, sparkPalette());
}

void drawSparks(const std::vector<Spark>& sparks, Canvas* canvas) {
    platform::RandomRun draw;
    const std::array<uint16_t, 16>& palette = sparkPalette();
    for (const Spark& spark : sparks) {
        if (!spark.isDead()) drawCross(spark.x(), spark.y(), canvas, draw, palette);
    }
}
