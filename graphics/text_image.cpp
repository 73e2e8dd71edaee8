// TextImage: 12 x 14 pixels reckoned per character, drawn by the platform font.
#include "graphics/text_image.h"

#include "graphics/section_pixels.h"
#include "platform/text.h"

TextImage::TextImage(const std::u16string& text, uint32_t textColour, int maxWidth)
    : colour(textColour) {
    const int total = kCellWidth * static_cast<int>(text.size());
    if (maxWidth <= 0) {
        height = kLineHeight;  // no room at all: an empty picture rather than a division by 0
    } else if (maxWidth >= total) {
        width = total;
        height = kLineHeight;
    } else {
        width = maxWidth;
        height = kLineHeight * (total / maxWidth + 1);
    }
    if (width <= 0) return;  // nothing to draw: drawText rejects a width of 0
    const uint32_t inverse = (255 - (colour & 0xFF)) | ((255 - ((colour >> 8) & 0xFF)) << 8) |
                             ((255 - ((colour >> 16) & 0xFF)) << 16);
    platform::Section section = platform::makeSection(width, height);
    platform::fillSection(section, width, height, inverse);
    platform::drawSectionText(section, width, height, text, colour, inverse);
    pixels = sectionToPixels(section, width, height);
}

TextImage::~TextImage() {
    delete[] pixels;
}
