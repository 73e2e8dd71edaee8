// Paddle: movement with wall stops, held balls, sizes and modes, launch directions, explosion.
#include "entities/paddle.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "assets/resource_ids.h"
#include "entities/ball.h"
#include "entities/paddle_explosion.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"

namespace {
constexpr Fixed kScreenWidth = 0xB00000;                          // 176 px
constexpr Fixed kSizeWidths[3] = {0x320000, 0x230000, 0x140000};  // 50, 35, 20 px
constexpr int kBarRows = 6;                                       // rows of one bar in the sheet
constexpr uint32_t kBarKey = 0xFF0000;                            // pure blue
constexpr uint32_t kAttachmentKey = 0x000000;
constexpr Fixed kAttachmentTop = 0xBD0000;  // 189 px
constexpr Fixed kAttachmentSize = 0x50000;  // 5 px
constexpr int kMagnetSourceX = 40, kGunSourceX = 45, kAttachmentSourceY = 13;
constexpr int32_t kMaxAngle = 180;

// Launch angle at the bar's left end and the degrees lost per pixel, per size.
constexpr int32_t kAngleAtLeftEnd[3] = {165, 160, 170};
constexpr int32_t kDegreesPerPixel[3] = {3, 4, 8};

std::array<Paddle::Direction, 181> makeDirectionTable() {
    std::array<Paddle::Direction, 181> table{};
    for (int a = 0; a <= kMaxAngle; ++a) {
        const double radians = a * std::numbers::pi / 180;
        table[a].x = static_cast<Fixed>(std::cos(radians) * 65536);
        table[a].y = static_cast<Fixed>(-std::sin(radians) * 65536);
    }
    // Where a cosine or sine is a whole multiple of 1/2 the truncation falls on the last bit of
    // the maths library's answer: those entries are fixed, as the game has always had them, so
    // that every toolchain builds the same table.
    table[0] = {65536, 0};
    table[30] = {56755, -32767};
    table[60] = {32768, -56755};
    table[120] = {-32767, -56755};
    table[180] = {-65536, 0};
    // Two more: straight up drifts slightly to the right, and 150 degrees has the exact half.
    table[90] = {1000, -65536};
    table[150] = {-56755, -32768};
    return table;
}
}  // namespace

const std::array<Paddle::Direction, 181> Paddle::directionTable = makeDirectionTable();

Paddle::Paddle() {
    image_ = new Image(instanceHandle, resource::kPaddle);
    explosion_ = new PaddleExplosion();
    reset();
}

Paddle::~Paddle() {
    delete image_;
    delete explosion_;
    heldBalls_.clear();  // the balls belong to the playfield
}

void Paddle::reset() {
    explosion_->reset();
    heldBalls_.clear();
    size_ = Medium;
    width_ = kSizeWidths[Medium];
    mode_ = Normal;
    x_ = kStartX;
    vx_ = 0;
    explosionDone_ = false;
    destroyed_ = false;
}

void Paddle::update(int32_t dt) {
    const Fixed old = x_;
    const Fixed nx = x_ + dt * vx_;
    // Reaching a wall stops the paddle: a new key press is needed to move again.
    if (nx <= 0) {
        x_ = 0;
        vx_ = 0;
    } else if (nx >= kScreenWidth - width_) {
        x_ = kScreenWidth - width_;
        vx_ = 0;
    } else {
        x_ = nx;
    }
    for (Ball* ball : heldBalls_) ball->moveBy(x_ - old);
    explosion_->update(dt);
    if (explosion_->takeFinished()) explosionDone_ = true;
}

void Paddle::draw(Canvas* canvas) const {
    explosion_->draw(canvas);
    if (destroyed_) return;
    canvas->drawImage(x_, kTop, width_, kHeight, image_, 0, px(size_ * kBarRows), kBarKey);
    const Fixed rightAttachment = x_ + width_ - kAttachmentSize;
    if (mode_ == Stick) {
        canvas->drawImage(x_, kAttachmentTop, kAttachmentSize, kAttachmentSize, image_,
                          px(kMagnetSourceX), px(kAttachmentSourceY), kAttachmentKey);
        canvas->drawImage(rightAttachment, kAttachmentTop, kAttachmentSize, kAttachmentSize, image_,
                          px(kMagnetSourceX), px(kAttachmentSourceY), kAttachmentKey);
    } else if (mode_ == Shoot) {
        canvas->drawImage(rightAttachment, kAttachmentTop, kAttachmentSize, kAttachmentSize, image_,
                          px(kGunSourceX), px(kAttachmentSourceY), kAttachmentKey);
        canvas->drawImage(x_, kAttachmentTop, kAttachmentSize, kAttachmentSize, image_,
                          px(kGunSourceX), px(kAttachmentSourceY), kAttachmentKey);
    }
}

void Paddle::enlarge() {
    if (size_ == Medium) {
        size_ = Wide;
    } else if (size_ == Narrow) {
        size_ = Medium;
    }
    width_ = kSizeWidths[size_];
    // The left edge stays unless the longer bar would pass the right wall.
    if (x_ + width_ > kScreenWidth) x_ = kScreenWidth - width_;
}

void Paddle::shrink() {
    if (size_ == Wide) {
        size_ = Medium;
    } else if (size_ == Medium) {
        size_ = Narrow;
    }
    width_ = kSizeWidths[size_];
    for (Ball* ball : heldBalls_) {
        if (ball->x() + Ball::kSize > x_ + width_) ball->setX(x_ + width_ - Ball::kSize);
    }
}

void Paddle::catchBall(Ball* ball) {
    heldBalls_.push_back(ball);
    const Fixed cx = ball->centerX();
    if (cx < x_) {
        ball->setX(x_);
    } else if (cx > x_ + width_) {
        ball->setX(x_ + width_ - Ball::kSize);
    }
    ball->setY(kHeldBallY);
    ball->setHeld(true);
}

void Paddle::releaseBalls() {
    for (Ball* ball : heldBalls_) {
        aimBall(ball);
        ball->setHeld(false);
    }
    heldBalls_.clear();
}

int32_t Paddle::bounceAngle(const Ball* ball) const {
    const int32_t d = (ball->centerX() - x_) >> 16;
    const int32_t a = kAngleAtLeftEnd[size_] - kDegreesPerPixel[size_] * d;
    return std::clamp(a, 0, kMaxAngle);
}

void Paddle::bounceBall(Ball* ball) const {
    aimBall(ball);
}

void Paddle::aimBall(Ball* ball) const {
    const Direction& direction = directionTable[bounceAngle(ball)];
    const Fixed s = ball->speed() >> 8;
    ball->setVx((direction.x >> 8) * s);
    ball->setVy((direction.y >> 8) * s);
}

void Paddle::explode() {
    if (destroyed_) return;
    explosion_->start(x_, width_);
    destroyed_ = true;
}
