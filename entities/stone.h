// Stone: the plain brick, removed by one hit (20 points).
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Image;

class Stone : public Brick {
  public:
    Stone(Fixed x, Fixed y, int32_t colour);
    ~Stone() override;

    void draw(Canvas* canvas) const override;

    // This kind's shared sprite sheet (nullptr while none lives) and live count.
    static const Image* sheet();
    static int32_t liveCount();
};
