// Spark: motion with a decaying velocity, ageing, and the five-pixel cross.
#include "entities/spark.h"

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
// A colour of the spark palette from a fresh random draw.
uint32_t randomSparkColour() {
    return Spark::sparkColours[platform::nextRandom() % 16];
}
}  // namespace

void Spark::draw(Canvas* canvas) const {
    if (life_ < 0) return;
    // One draw per pixel, in this order: centre, right, left, below, above.
    const uint32_t centre = randomSparkColour();
    canvas->setPixel(x_, y_, centre);
    const uint32_t right = randomSparkColour();
    canvas->setPixel(x_ + px(1), y_, right);
    const uint32_t left = randomSparkColour();
    canvas->setPixel(x_ - px(1), y_, left);
    const uint32_t below = randomSparkColour();
    canvas->setPixel(x_, y_ + px(1), below);
    const uint32_t above = randomSparkColour();
    canvas->setPixel(x_, y_ - px(1), above);
}
