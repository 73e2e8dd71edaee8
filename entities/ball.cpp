// Ball: motion with the wall rebounds, the animation, the fire trail and the rebound rules.
#include "entities/ball.h"

#include <algorithm>
#include <cstddef>
#include <cstdlib>

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"
#include "platform/random.h"

namespace {
SharedImage sharedBallImage(resource::kBalls);

constexpr int32_t kFrameCount = 60;        // animation counter period, in ticks
constexpr int32_t kTicksPerColumn = 15;    // each of the four sprite columns shows 15 ticks
constexpr Fixed kRightLimit = 0xA80000;    // 168 px: the screen width 176 less the ball
constexpr Fixed kRightMirror = 0x1500000;  // 336 px: mirrors a position about 168 px
constexpr int32_t kSparkLife = 300;
constexpr int32_t kRandomMiddle = 16383;   // a draw less this is about +-0.25 px
constexpr uint32_t kColourKey = 0x000000;  // black
constexpr int32_t kMostlyOneAxis = 3;      // a speed ratio above this counts as along one axis
}  // namespace

Ball::Ball(Fixed x, Fixed y, Fixed vx, Fixed vy, Fixed speed, int32_t kind)
    : x_(x), y_(y), vx_(vx), vy_(vy), speed_(speed), kind_(kind) {
    sharedBallImage.acquire();
}

Ball::~Ball() {
    sharedBallImage.release();
}

const Image* Ball::ballImage() {
    return sharedBallImage.image();
}
int32_t Ball::ballCount() {
    return sharedBallImage.count();
}

void Ball::update(int32_t dt) {
    // A held ball neither moves nor animates, and its sparks are frozen.
    if (held_) return;
    frame_ = (frame_ + 1) % kFrameCount;
    const Fixed nx = x_ + dt * vx_;
    Fixed ny = y_ + dt * vy_;
    if (ny <= 0) {
        x_ = nx;
        ny = -ny;
        y_ = ny;
        vy_ = -vy_;
    }
    // A side rebound ends the tick: no spark is emitted and the trail is not advanced.
    if (nx <= 0) {
        x_ = -nx;
        y_ = ny;
        vx_ = -vx_;
        return;
    }
    if (nx >= kRightLimit) {
        x_ = kRightMirror - nx;
        y_ = ny;
        vx_ = -vx_;
        return;
    }
    x_ = nx;
    y_ = ny;
    if (kind_ == Fire) {
        const int r1 = platform::nextRandom();
        const int r2 = platform::nextRandom();
        const int r3 = platform::nextRandom();
        const int r4 = platform::nextRandom();
        sparks_.emplace_back(x_ + px(r4 % 8), y_ + px(r3 % 8), r2 - kRandomMiddle,
                             r1 - kRandomMiddle, kSparkLife);
    }
    for (Spark& spark : sparks_) spark.update(dt);
    // Dead sparks go. All are born with one lifetime and age together, so the dead ones are
    // the oldest, at the front.
    sparks_.erase(sparks_.begin(),
                  std::find_if(sparks_.begin(), sparks_.end(),
                               [](const Spark& spark) { return !spark.isDead(); }));
}

void Ball::draw(Canvas* canvas) const {
    if (kind_ >= Normal && kind_ <= Thru) {
        canvas->drawImage(x_, y_, kSize, kSize, ballImage(), px(frame_ / kTicksPerColumn * 8),
                          px(kind_ * 8), kColourKey);
    }
    if (held_) return;
    drawSparks(sparks_, canvas);
}

// Both rescalings run in single precision and truncate toward zero, so a ball's speeds and every
// replay stay as they have always been.
void Ball::speedUp() {
    if (speed_ != 0) {
        const float f = static_cast<float>(kFastSpeed) / static_cast<float>(speed_);
        vx_ = static_cast<Fixed>(static_cast<float>(vx_) * f);
        vy_ = static_cast<Fixed>(static_cast<float>(vy_) * f);
    }
    speed_ = kFastSpeed;
}

void Ball::slowDown() {
    if (speed_ != 0) {
        const float f = static_cast<float>(speed_) / static_cast<float>(kSlowSpeed);
        vx_ = static_cast<Fixed>(static_cast<float>(vx_) / f);
        vy_ = static_cast<Fixed>(static_cast<float>(vy_) / f);
    }
    speed_ = kSlowSpeed;
}

void Ball::reverseX() {
    if (kind_ != Thru) vx_ = -vx_;
}

void Ball::reverseY() {
    if (kind_ != Thru) vy_ = -vy_;
}

void Ball::cornerRebound() {
    const int64_t ax = std::llabs(vx_);
    const int64_t ay = std::llabs(vy_);
    // A zero component counts as motion wholly along the other axis.
    const bool mostlyX = ay == 0 ? ax != 0 : ax / ay > kMostlyOneAxis;
    const bool mostlyY = ax == 0 ? ay != 0 : ay / ax > kMostlyOneAxis;
    if (mostlyX || mostlyY) {
        reverseX();
        reverseY();
        return;
    }
    if (kind_ == Thru) return;
    // Mirror the direction about a diagonal; the magnitude stays the same.
    const Fixed oldVx = vx_;
    if ((vx_ > 0 && vy_ > 0) || (vx_ < 0 && vy_ < 0)) {
        vx_ = -vy_;
        vy_ = -oldVx;
    } else {
        vx_ = vy_;
        vy_ = oldVx;
    }
}
