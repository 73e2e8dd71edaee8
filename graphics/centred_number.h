// A number drawn in big 16 x 16 digits, centred on the screen (stage and game-over screens).
#pragma once
#include <cstdint>

class Canvas;
class Image;

// Digits of the value from `digits` (16 x 16 glyphs side by side, keyed on pure blue),
// centred at y = 139. The value 0 has no digits and draws nothing.
void drawCentredNumber(Canvas* target, const Image* digits, int32_t value);
