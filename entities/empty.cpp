// Empty: the object of an empty cell.
#include "entities/empty.h"

Empty::Empty(Fixed x, Fixed y, int32_t colour) : Brick(x, y, EmptyKind, colour) {}
