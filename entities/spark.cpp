// Spark: the five-pixel cross.
#include "entities/spark.h"

#include <array>
#include <cstddef>

#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/looks.h"
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
// never make a change of brightness, and none is a saturated red. Laid at half strength over
// what is beneath, a spark on the dark field stays below a tenth of full brightness.
constexpr std::array<uint16_t, 16> kSoftSparkPixels = {
    toPixel(0x0047C2), toPixel(0x004BBE), toPixel(0x004FB9), toPixel(0x0053B5),
    toPixel(0x0056B0), toPixel(0x005AAC), toPixel(0x005DA7), toPixel(0x005FA3),
    toPixel(0x00629F), toPixel(0x00649A), toPixel(0x006696), toPixel(0x006892),
    toPixel(0x006A8E), toPixel(0x006B8A), toPixel(0x006D87), toPixel(0x006E83)};

// A living spark's cross at (x, y). One draw per pixel, in this order: centre, right, left,
// below, above. The draws come before the pixels are set, which changes nothing: setting a
// pixel draws nothing. Every look takes the same five draws.
[[gnu::always_inline]] inline void drawCross(Fixed x, Fixed y, Canvas* canvas,
                                             platform::RandomRun& draw) {
    int draws[5];
    draw.next(draws);
    canvas->setCross(
        x, y,
        {kSparkPixels[draws[0] % 16], kSparkPixels[draws[1] % 16], kSparkPixels[draws[2] % 16],
         kSparkPixels[draws[3] % 16], kSparkPixels[draws[4] % 16]});
}

constexpr int kSoftWeight = 16;

// The flash-safe cross: the same five draws, each pixel mixed into the one beneath.
void drawSoftCross(Fixed x, Fixed y, Canvas* canvas, platform::RandomRun& draw) {
    int draws[5];
    draw.next(draws);
    const int ix = wholePixels(x), iy = wholePixels(y);
    const int at[5][2] = {{ix, iy}, {ix + 1, iy}, {ix - 1, iy}, {ix, iy + 1}, {ix, iy - 1}};
    for (int i = 0; i < 5; ++i) {
        const int fx = at[i][0], fy = at[i][1];
        if (fx < 0 || fy < 0 || fx >= static_cast<int>(canvas->width()) ||
            fy >= static_cast<int>(canvas->height()))
            continue;
        canvas->setPixelAt(
            fx, fy,
            looks::mix(kSoftSparkPixels[draws[i] % 16], canvas->pixelAt(fx, fy), kSoftWeight));
    }
}
}  // namespace

void Spark::draw(Canvas* canvas) const {
    if (life_ < 0) return;
    platform::RandomRun draw;
    if (presentation().flashSafe) {
        drawSoftCross(x_, y_, canvas, draw);
        return;
    }
    drawCross(x_, y_, canvas, draw);
}

void drawSparks(const std::vector<Spark>& sparks, Canvas* canvas) {
    platform::RandomRun draw;
    if (presentation().flashSafe) {
        for (const Spark& spark : sparks) {
            if (!spark.isDead()) drawSoftCross(spark.x(), spark.y(), canvas, draw);
        }
        return;
    }
    for (const Spark& spark : sparks) {
        if (!spark.isDead()) drawCross(spark.x(), spark.y(), canvas, draw);
    }
}
