// Text service: the built-in pixel font, drawn into 24-bit sections.
#pragma once
#include <cstdint>
#include <string>

#include "platform/bitmap.h"

namespace platform {

// Colours here are platform colour values: red in bits 0..7, green 8..15, blue 16..23.

// Fills the rectangle (0, 0, width, height) of the section with the colour.
void fillSection(Section& section, int width, int height, uint32_t colour);

// Draws text left-aligned from the top of the rectangle (0, 0, width, height), wrapping at
// word boundaries, in textColour on backColour; what does not fit is cut off at the edges.
// Printable ASCII has glyphs; any other character draws a visible replacement box.
void drawSectionText(Section& section, int width, int height, const std::u16string& text,
                     uint32_t textColour, uint32_t backColour);

}  // namespace platform
