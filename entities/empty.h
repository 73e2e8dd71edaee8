// Empty: the brick object of an empty cell; never present, never drawn, worth nothing.
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Empty : public Brick {
  public:
    Empty(Fixed x, Fixed y, int32_t colour);
};
