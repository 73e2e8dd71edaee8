// Metal: the brick of two hits that shows a crack after the first (40 points).
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Image;

class Metal : public Brick {
  public:
    Metal(Fixed x, Fixed y, int32_t colour);
    ~Metal() override;

    void draw(Canvas* canvas) const override;

    // This kind's shared sprite sheet (nullptr while none lives) and live count.
    static const Image* sheet();
    static int32_t liveCount();
};
