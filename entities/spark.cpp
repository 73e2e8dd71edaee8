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
// The flash-safe look's palette: sixteen hues from orange to amber, all of one relative
// luminance (0.15 to 0.17, after the frame's 5-bit channels), so a spark's changing colours
// never make a change of brightness, and none is a saturated red.
constexpr std::array<uint16_t, 16> kSoftSparkPixels = {
    toPixel(0x0047C2), toPixel(0x004BBE), toPixel(0x004FB9), toPixel(0x0053B5),
    toPixel(0x0056B0), toPixel(0x005AAC), toPixel(0x005DA7), toPixel(0x005FA3),
    toPixel(0x00629F), toPixel(0x00649A), toPixel(0x006696), toPixel(0x006892),
    toPixel(0x006A8E), toPixel(0x006B8A), toPixel(0x006D87), toPixel(0x006E83)};

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
