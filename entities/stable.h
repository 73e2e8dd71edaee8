// Stable: the brick of 100 hits that does not count for clearing a level (90 points).
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Image;

class Stable : public Brick {
  public:
    Stable(Fixed x, Fixed y, int32_t colour);
    ~Stable() override;

    void draw(Canvas* canvas) const override;

    // This kind's shared sprite sheet (nullptr while none lives) and live count.
    static const Image* sheet();
    static int32_t liveCount();
};
