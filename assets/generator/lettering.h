// Lettering for the artwork: the game's 5 x 7 text font, the bold 8 x 12 title font and the
// chunky digits of the two digit strips.
#pragma once
#include <string>

#include "picture.h"

namespace artgen {

enum class Align { Left, Center, Right };

constexpr int kSmallAdvance = 6;  // 5 x 7 glyph on a 6 x 9 cell
constexpr int kTitleAdvance = 8;  // 8 x 12 cell: a 6 x 10 bold glyph and its shadow
constexpr int kTitleHeight = 12;

int smallTextWidth(const std::string& text);
int titleTextWidth(const std::string& text);

// Left edge of a text of the given width anchored at x.
int alignedLeft(int x, int width, Align align);

// The small font in one colour, with an optional one-pixel shadow down and to the right.
void drawSmallText(Picture& p, int x, int y, const std::string& text, uint32_t colour,
                   uint32_t shadow = kClear);

// The title font: a vertical gradient from `top` to `bottom` over the glyph body and a
// one-pixel dark drop shadow. Lower-case letters are drawn as capitals.
void drawTitleText(Picture& p, int x, int y, const std::string& text, uint32_t top, uint32_t bottom,
                   uint32_t shadow);

// A digit of the small strip: 8 x 12 cell.
void drawSmallDigit(Picture& p, int x, int y, int digit, uint32_t fill, uint32_t light,
                    uint32_t shadow);

// A digit of the large strip: 16 x 16 cell, shaded from `top` to `bottom`.
void drawBigDigit(Picture& p, int x, int y, int digit, uint32_t top, uint32_t bottom,
                  uint32_t shadow);

}  // namespace artgen
