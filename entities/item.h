// Item: a 20 x 20 capsule released by a broken brick; it drifts, falls and rebounds from the
// side and top walls until the paddle catches it or it leaves the screen.
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Canvas;
class Image;

class Item {
  public:
    // Kinds, named as on the help screen.
    static constexpr int32_t BulletBoard = 1;
    static constexpr int32_t EightBall = 2;
    static constexpr int32_t ExpandBoard = 3;
    static constexpr int32_t ExtraLife = 4;
    static constexpr int32_t FastBall = 5;
    static constexpr int32_t FireBall = 6;
    static constexpr int32_t KillLife = 7;
    static constexpr int32_t NextLevel = 8;
    static constexpr int32_t ShrinkBoard = 9;
    static constexpr int32_t SlowBall = 10;
    static constexpr int32_t SplitBall = 11;
    static constexpr int32_t StickBoard = 12;
    static constexpr int32_t ThruBall = 13;
    static constexpr int32_t ZapBrick = 14;
    static constexpr int32_t kKindCount = 14;

    static constexpr Fixed kSize = 0x140000;  // 20 px
    static constexpr Fixed kPull = 128;       // added to vy once per update

    Item(Fixed x, Fixed y, Fixed vx, Fixed vy, int32_t kind);
    ~Item();
    Item(const Item&) = delete;
    Item& operator=(const Item&) = delete;

    void update(int32_t dt);
    void draw(Canvas* canvas) const;

    int32_t kind() const { return kind_; }
    Fixed x() const { return x_; }
    Fixed right() const { return x_ + kSize; }
    Fixed y() const { return y_; }
    Fixed bottom() const { return y_ + kSize; }
    Fixed vx() const { return vx_; }
    Fixed vy() const { return vy_; }

    static const Image* itemImage();
    static int32_t itemCount();

  private:
    int32_t kind_;
    Fixed x_;
    Fixed y_;
    Fixed vx_;
    Fixed vy_;
};
