// DigitFont: number -> glyph cells, and the score counter's addScore.
#include "graphics/digit_font.h"

#include <cstdio>

#include "globals/globals.h"

DigitFont::DigitFont(InstanceHandle instance, int resourceId)
    : image(new Image(instance, resourceId)) {
    glyphWidth = image->width >> 4;
    glyphHeight = image->height;
}

DigitFont::~DigitFont() {
    delete image;
}

void DigitFont::setValue(int32_t number) {
    value_ = number;
    glyphCount = 0;
    char text[12];
    std::snprintf(text, sizeof text, "%d", number);
    for (int i = 0; text[i] != '\0' && i < 12; ++i) {
        glyphs[glyphCount++] = text[i] == '-' ? kCellMinus : text[i] - '0';
    }
}

void addScore(int32_t points) {
    if (scoreCounter == nullptr) return;
    // Wraps in 32 bits rather than overflowing: no score can make the program misbehave.
    scoreCounter->setValue(static_cast<int32_t>(static_cast<uint32_t>(scoreCounter->value()) +
                                                static_cast<uint32_t>(points)));
}
