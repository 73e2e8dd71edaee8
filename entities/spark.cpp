// Spark: motion with a decaying velocity, ageing, and the five-pixel cross.
#include "entities/spark.h"

#include <array>
#include <cstddef>

#include "graphics/canvas.h"
#include "platform/random.h"

Spark::Spark(Fixed x, Fixed y, Fixed vx, Fixed vy, int32_t life)
    : x_(x), y_(y), vx_(vx), vy_(vy), life_(life) {}

void Spark::update(int32_t dt) {
    x_ += vx_;
    y_ += vy_;
    vx_ -= vx_ >> 3;
    vy_ -= vy_ >> 3;
    if (life_ >= 0) life_ -= dt;
}

namespace {
// The palette as frame pixels, worked out once.
constexpr std::array<uint16_t, 16> kSparkPixels = [] {
    std::array<uint16_t, 16> pixels{};
    for (std::size_t i = 0; i < pixels.size(); ++i) pixels[i] = toPixel(Spark::sparkColours[i]);
    return pixels;
}();

// A colour of the spark palette from a fresh random draw.
uint16_t randomSparkPixel() {
    return kSparkPixels[platform::nextRandom() % 16];
}
}  // namespace

void Spark::draw(Canvas* canvas) const {
    if (life_ < 0) return;
    // One draw per pixel, in this order: centre, right, left, below, above. The draws come
    // before the pixels are set, which changes nothing: setting a pixel draws nothing.
    uint16_t cross[5];
    for (uint16_t& pixel : cross) pixel = randomSparkPixel();
    canvas->setCross(x_, y_, cross);
}
