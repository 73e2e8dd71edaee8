// makeBrick: the brick of a grid cell from its kind and colour.
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Brick;

// A new brick of the kind (0..6) at (x, y); any other kind gives an Empty brick.
Brick* makeBrick(int32_t kind, Fixed x, Fixed y, int32_t colour);
