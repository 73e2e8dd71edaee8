// makeBrick: the brick of a grid cell from its kind and colour.
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Brick;

// A new brick of the kind (0..6) at (x, y); any other kind gives an Empty brick.
Brick* makeBrick(int32_t kind, Fixed x, Fixed y, int32_t colour);
// Whether makeBrick gives an Empty brick for the kind: 0, or a kind outside 1..6.
bool makesEmptyBrick(int32_t kind);
