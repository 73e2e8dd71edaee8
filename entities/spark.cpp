// Spark: the five-pixel cross.
#include "entities/spark.h"

#include <array>
#include <cstddef>

#include "graphics/canvas.h"
#include "platform/random.h"

namespace {
// The palette as frame pixels, worked out once.
constexpr std::array<uint16_t, 16> kSparkPixels = [] {
    std::array<uint16_t, 16> pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = toPixel(Spark::sparkColours[i]);
    return pixels;
}();

// A living spark's cross at (x, y). One draw per pixel, in this order: centre, right, left,
// below, above. The draws come before the pixels are set, which changes nothing: setting a
// pixel draws nothing.
[[gnu::always_inline]] inline void drawCross(Fixed x, Fixed y, Canvas* canvas,
                                             platform::RandomRun& draw) {
    int draws[5];
    draw.next(draws);
    canvas->setCross(
        x, y,
        {kSparkPixels[draws[0] % 16], kSparkPixels[draws[1] % 16], kSparkPixels[draws[2] % 16],
         kSparkPixels[draws[3] % 16], kSparkPixels[draws[4] % 16]});
}
}  // namespace

void Spark::draw(Canvas* canvas) const {
    if (life_ < 0) return;
    platform::RandomRun draw;
    drawCross(x_, y_, canvas, draw);
}

void drawSparks(const std::vector<Spark>& sparks, Canvas* canvas) {
    platform::RandomRun draw;
    for (const Spark& spark : sparks) {
        if (!spark.isDead()) drawCross(spark.x(), spark.y(), canvas, draw);
    }
}
