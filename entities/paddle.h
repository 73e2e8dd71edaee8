// Paddle: the player's bar at the bottom of the playfield, its sizes and modes, the balls it
// holds, the directions it gives balls, and its explosion.
#pragma once
#include <array>
#include <cstdint>
#include <list>

#include "entities/ball.h"
#include "graphics/fixed.h"

class Canvas;
class Image;
class PaddleExplosion;

class Paddle {
  public:
    // Sizes.
    static constexpr int32_t Wide = 0;
    static constexpr int32_t Medium = 1;
    static constexpr int32_t Narrow = 2;
    // Modes.
    static constexpr int32_t Normal = 0;
    static constexpr int32_t Stick = 1;
    static constexpr int32_t Shoot = 2;

    static constexpr Fixed kTop = 0xC20000;                  // 194 px, the bar's top edge
    static constexpr Fixed kHeight = 0x60000;                // 6 px
    static constexpr Fixed kSpeed = 0x4000;                  // 0.25 px per time unit
    static constexpr Fixed kStartX = 0x468000;               // 70.5 px: the normal bar centred
    static constexpr Fixed kHeldBallY = kTop - Ball::kSize;  // 186 px: a held ball rests on the bar

    // One direction per whole degree: (cos a, -sin a) x 65536, truncated.
    struct Direction {
        Fixed x;
        Fixed y;
    };
    static const std::array<Direction, 181> directionTable;

    Paddle();
    ~Paddle();
    Paddle(const Paddle&) = delete;
    Paddle& operator=(const Paddle&) = delete;

    void reset();
    void update(int32_t dt);
    void draw(Canvas* canvas) const;
    void moveLeft() { vx_ = -kSpeed; }
    void moveRight() { vx_ = kSpeed; }
    void stop() { vx_ = 0; }
    void enlarge();
    void shrink();
    void setMode(int32_t mode) { mode_ = mode; }
    void catchBall(Ball* ball);
    void releaseBalls();
    int32_t bounceAngle(const Ball* ball) const;
    void bounceBall(Ball* ball) const;
    void explode();

    Fixed x() const { return x_; }
    Fixed right() const { return x_ + width_; }
    Fixed width() const { return width_; }
    Fixed vx() const { return vx_; }
    int32_t size() const { return size_; }
    int32_t mode() const { return mode_; }
    bool explosionDone() const { return explosionDone_; }
    bool destroyed() const { return destroyed_; }
    const std::list<Ball*>& heldBalls() const { return heldBalls_; }
    const PaddleExplosion* explosion() const { return explosion_; }

  private:
    // Gives the ball the velocity of its launch angle at its own speed.
    void aimBall(Ball* ball) const;

    Fixed vx_ = 0;
    Fixed x_ = kStartX;
    Fixed width_ = 0;
    int32_t size_ = Medium;
    int32_t mode_ = Normal;
    Image* image_ = nullptr;
    PaddleExplosion* explosion_ = nullptr;
    bool explosionDone_ = false;
    bool destroyed_ = false;
    std::list<Ball*> heldBalls_;  // not owned: the playfield's ball list owns them
};
