// Ball: an 8 x 8 ball in play that moves, rebounds from the top and side walls by itself, and
// trails sparks when it is a Fire ball.
#pragma once
#include <cstdint>
#include <vector>

#include "entities/spark.h"
#include "graphics/fixed.h"
#include "graphics/image.h"

class Canvas;

class Ball {
  public:
    // Ball kinds.
    static constexpr int32_t Normal = 0;
    static constexpr int32_t Fire = 1;
    static constexpr int32_t Thru = 2;

    static constexpr Fixed kNewBallSpeed = 0x2000;
    static constexpr Fixed kFastSpeed = 0x3000;
    static constexpr Fixed kSlowSpeed = 0x1800;
    static constexpr Fixed kSize = 0x80000;  // 8 px square

    Ball(Fixed x, Fixed y, Fixed vx, Fixed vy, Fixed speed, int32_t kind);
    ~Ball();
    Ball(const Ball&) = delete;
    Ball& operator=(const Ball&) = delete;

    void update(int32_t dt);
    void draw(Canvas* canvas) const;
    void moveBy(Fixed dx) { x_ += dx; }
    void speedUp();
    void slowDown();
    void reverseX();
    void reverseY();
    void cornerRebound();

    Fixed x() const { return x_; }
    Fixed y() const { return y_; }
    Fixed vx() const { return vx_; }
    Fixed vy() const { return vy_; }
    Fixed speed() const { return speed_; }
    int32_t kind() const { return kind_; }
    bool held() const { return held_; }
    int32_t frame() const { return frame_; }
    Fixed centerX() const { return x_ + kSize / 2; }
    Fixed centerY() const { return y_ + kSize / 2; }
    Fixed right() const { return x_ + kSize; }
    Fixed bottom() const { return y_ + kSize; }
    const std::vector<Spark>& sparks() const { return sparks_; }

    void setX(Fixed x) { x_ = x; }
    void setY(Fixed y) { y_ = y; }
    void setVx(Fixed vx) { vx_ = vx; }
    void setVy(Fixed vy) { vy_ = vy; }
    void setSpeed(Fixed speed) { speed_ = speed; }
    void setHeld(bool held) { held_ = held; }
    void setKind(int32_t kind) { kind_ = kind; }

    // The sheet shared by all balls (nullptr while no ball lives) and the live-ball count.
    static const Image* ballImage();
    static int32_t ballCount();

  private:
    Fixed x_;
    Fixed y_;
    Fixed vx_;
    Fixed vy_;
    Fixed speed_;
    int32_t kind_;
    bool held_ = false;
    int32_t frame_ = 0;
    std::vector<Spark> sparks_;
};
