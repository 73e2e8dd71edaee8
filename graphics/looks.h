// Pixel passes of the high-contrast and flash-safe looks: a plain field, outlines, a screen's
// contrast raised, a picture laid over the frame at part strength. They read and write pixels
// only: no game state, no random numbers.
#pragma once
#include <cstdint>

class Canvas;
class Image;

namespace looks {

constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kWhite = 0xFFDF;  // every channel full (bit 5 is not a colour bit)

// `over` laid on `under` with `weight` (0..31) of its strength.
uint16_t mix(uint16_t over, uint16_t under, int weight);

// A rectangle of one colour, clipped to the frame.
void fillRect(Canvas* canvas, int x, int y, int w, int h, uint16_t pixel);

// Rows top..bottom-1 drawn over a field of `field`: every field pixel beside an object turns
// `outline`. A pixel counts as an object's when at least two of its four neighbours are not
// field too, so a spark's one-pixel arms get no ring while a ball, a brick or an item does.
void outlineObjects(Canvas* canvas, int top, int bottom, uint16_t field, uint16_t outline);

// Rows top..bottom-1 for a reader who needs contrast: dark pixels (background, grid, shadows)
// go black, every other pixel is brightened to full strength in its own hue.
void raiseContrast(Canvas* canvas, int top, int bottom);

// The w x h part of `image` at (sx, sy) laid over the frame at (dx, dy) with `weight` (0..31)
// of its strength; pixels of `keyPixel` are left out.
void blendImage(Canvas* canvas, int dx, int dy, int w, int h, const Image* image, int sx, int sy,
                uint16_t keyPixel, int weight);

// Rows of '#' (set) and anything else (left) at (x, y), in `pixel`.
void drawMask(Canvas* canvas, int x, int y, const char* const* rows, int rowCount, uint16_t pixel);

}  // namespace looks
