// Conversion of a bottom-up 24-bit section into top-down RGB565 pixels.
#pragma once
#include <cstdint>

#include "platform/bitmap.h"

// Returns width * height pixels (new[]): section row (height - 1 - y) becomes row y, each
// pixel read as blue, green, red and passed through toPixel; padding pixels are dropped.
uint16_t* sectionToPixels(const platform::Section& section, int width, int height);
