// Numbers drawn in the big 16 x 16 digits: centred on the screen (stage and game-over screens),
// or from a given place (the high-contrast status line).
#pragma once
#include <cstdint>

class Canvas;
class Image;

// Digits of the value from `digits` (16 x 16 glyphs side by side, keyed on pure blue),
// centred at y = 139. The value 0 has no digits and draws nothing.
void drawCentredNumber(Canvas* target, const Image* digits, int32_t value);

// The same digits left to right from (x, y), in frame pixels; 0 is the one digit 0, and a
// negative value (never in play; a damaged save must not crash) draws its magnitude.
void drawBigNumber(Canvas* target, const Image* digits, int x, int y, int32_t value);
