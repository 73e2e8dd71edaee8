// Spark: a short-lived particle drawn as a five-pixel cross of random warm colours. Sparks are
// plain values, kept by their owners side by side in the order they are drawn.
#pragma once
#include <cstdint>
#include <vector>

#include "graphics/fixed.h"

class Canvas;

class Spark {
  public:
    // Full red with green 0x00, 0x10, ..., 0xF0: red through orange to yellow.
    static constexpr uint32_t sparkColours[16] = {
        0x0000FF, 0x0010FF, 0x0020FF, 0x0030FF, 0x0040FF, 0x0050FF, 0x0060FF, 0x0070FF,
        0x0080FF, 0x0090FF, 0x00A0FF, 0x00B0FF, 0x00C0FF, 0x00D0FF, 0x00E0FF, 0x00F0FF};

    Spark(Fixed x, Fixed y, Fixed vx, Fixed vy, int32_t life)
        : x_(x), y_(y), vx_(vx), vy_(vy), life_(life) {}

    // Moves by the velocity (per update, not scaled by dt), decays it by an eighth, ages by dt.
    void update(int32_t dt) {
        x_ += vx_;
        y_ += vy_;
        vx_ -= vx_ >> 3;
        vy_ -= vy_ >> 3;
        if (life_ >= 0) life_ -= dt;
    }
    bool isDead() const { return life_ < 0; }
    // Draws nothing once dead; otherwise five pixels, each a fresh random colour.
    void draw(Canvas* canvas) const;

    Fixed x() const { return x_; }
    Fixed y() const { return y_; }
    Fixed vx() const { return vx_; }
    Fixed vy() const { return vy_; }
    int32_t life() const { return life_; }

  private:
    Fixed x_;
    Fixed y_;
    Fixed vx_;
    Fixed vy_;
    int32_t life_;
};

// Draws each spark in turn, as their draw calls one after another would.
void drawSparks(const std::vector<Spark>& sparks, Canvas* canvas);
