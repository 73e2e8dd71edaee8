// Hide: the brick of two hits that stays invisible until the first (70 points).
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Image;

class Hide : public Brick {
  public:
    Hide(Fixed x, Fixed y, int32_t colour);
    ~Hide() override;

    void draw(Canvas* canvas) const override;

    // This kind's shared sprite sheet (nullptr while none lives) and live count.
    static const Image* sheet();
    static int32_t liveCount();
};
