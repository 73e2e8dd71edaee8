// PaddleExplosion: 50 sparks over the bar, all of one lifetime, ending together.
#include "entities/paddle_explosion.h"

#include "entities/paddle.h"
#include "platform/random.h"

namespace {
constexpr int kBarRows = 6;               // the sparks start on the bar's six rows
constexpr int32_t kRandomMiddle = 16383;  // centres a draw on zero
constexpr int32_t kSpeedScale = 8;        // a draw times 8: up to 2 px per update sideways
}  // namespace

void PaddleExplosion::start(Fixed x, Fixed width) {
    active_ = true;
    const int32_t wholeWidth = wholePixels(width);
    sparks_.reserve(sparks_.size() + kSparkCount);
    for (int i = 0; i < kSparkCount; ++i) {
        const int r1 = platform::nextRandom();
        const int r2 = platform::nextRandom();
        const int r3 = platform::nextRandom();
        const int r4 = platform::nextRandom();
        const int32_t column = wholeWidth > 0 ? r4 % wholeWidth : 0;
        sparks_.emplace_back(x + px(column), Paddle::kTop + px(r3 % kBarRows),
                             (r2 - kRandomMiddle) * kSpeedScale, -r1 * kSpeedScale, kSparkLife);
    }
}

void PaddleExplosion::update(int32_t dt) {
    if (!active_) return;
    bool anyDead = false;
    for (Spark& spark : sparks_) {
        spark.update(dt);
        if (spark.isDead()) anyDead = true;
    }
    // The sparks share one lifetime, so the first dead one means all are; they stay
    // until reset.
    if (anyDead) {
        active_ = false;
        finished_ = true;
    }
}

void PaddleExplosion::draw(Canvas* canvas) const {
    if (!active_) return;
    drawSparks(sparks_, canvas);
}

void PaddleExplosion::reset() {
    sparks_.clear();
    active_ = false;
    finished_ = false;
}

bool PaddleExplosion::takeFinished() {
    const bool wasFinished = finished_;
    finished_ = false;
    return wasFinished;
}
