// Gem: the brick of three hits, cracking further with each (60 points).
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Image;

class Gem : public Brick {
  public:
    Gem(Fixed x, Fixed y, int32_t colour);
    ~Gem() override;

    void draw(Canvas* canvas) const override;

    // This kind's shared sprite sheet (nullptr while none lives) and live count.
    static const Image* sheet();
    static int32_t liveCount();
};
