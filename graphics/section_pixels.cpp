// Conversion of a bottom-up 24-bit section into top-down RGB565 pixels.
#include "graphics/section_pixels.h"

#include "graphics/image.h"

uint16_t* sectionToPixels(const platform::Section& section, int width, int height) {
    auto* out = new uint16_t[static_cast<size_t>(width) * static_cast<size_t>(height)];
    for (int y = 0; y < height; ++y) {
        const uint8_t* row =
            section.bits.data() + static_cast<size_t>(section.stride) * (height - 1 - y);
        for (int x = 0; x < width; ++x) {
            const uint8_t* bgr = row + 3 * x;
            out[static_cast<size_t>(y) * width + x] = toPixel(bgr[2], bgr[1], bgr[0]);
        }
    }
    return out;
}
