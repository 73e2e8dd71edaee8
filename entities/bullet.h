// Bullet: a 3 x 6 shot that flies straight up from the paddle in Shoot mode.
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Canvas;
class Image;

class Bullet {
  public:
    static constexpr Fixed kSpeed = 0x4000;  // 0.25 px per time unit, upwards

    Bullet(Fixed x, Fixed y);
    ~Bullet();
    Bullet(const Bullet&) = delete;
    Bullet& operator=(const Bullet&) = delete;

    void update(int32_t dt) { y_ -= dt * kSpeed; }
    void draw(Canvas* canvas) const;

    Fixed x() const { return x_; }
    Fixed y() const { return y_; }
    Fixed centerX() const { return x_ + 0x18000; }  // 1.5 px
    Fixed bottom() const { return y_ + px(6); }

    static const Image* bulletImage();
    static int32_t bulletCount();

  private:
    Fixed x_;
    Fixed y_;
};
