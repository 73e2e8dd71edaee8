// Empty: the brick object of an empty cell; never present, never drawn, worth nothing.
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Empty : public Brick {
  public:
    Empty(Fixed x, Fixed y, int32_t colour);

    void update(int32_t dt) override;
    void draw(Canvas* canvas) const override;
};
