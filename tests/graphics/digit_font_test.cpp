// DigitFont: glyph cells of numbers, addScore, and drawing a number from its strip.
#include "graphics/digit_font.h"

#include <gtest/gtest.h>

#include <climits>

#include "globals/globals.h"
#include "graphics/canvas.h"
#include "platform/bitmap.h"
#include "tests/support/bmp_builder.h"

using testing_support::Rgb;

namespace {
constexpr int kStrip = 9201;

// A 128 x 12 strip whose cell n is filled with the colour (16n + 8, 0, 0), except for a
// pure-blue column at the left edge of each cell.
void registerStrip() {
    std::vector<Rgb> c(128 * 12);
    for (int y = 0; y < 12; ++y)
        for (int x = 0; x < 128; ++x)
            c[y * 128 + x] =
                x % 8 == 0 ? Rgb{0, 0, 255} : Rgb{static_cast<uint8_t>(16 * (x / 8) + 8), 0, 0};
    platform::addResource(kStrip, testing_support::makeBmp24(128, 12, c));
}

std::vector<int> glyphsOf(const DigitFont& font) {
    return std::vector<int>(font.glyphs, font.glyphs + font.glyphCount);
}
}  // namespace

TEST(DigitFont, BreaksNumbersIntoCells) {
    registerStrip();
    DigitFont font(nullptr, kStrip);
    EXPECT_EQ(font.glyphWidth, 8);
    EXPECT_EQ(font.glyphHeight, 12);
    EXPECT_EQ(font.glyphCount, 0);

    font.setValue(0);
    EXPECT_EQ(glyphsOf(font), std::vector<int>({0}));
    font.setValue(-45);
    EXPECT_EQ(glyphsOf(font), std::vector<int>({12, 4, 5}));
    EXPECT_EQ(font.value(), -45);
    font.setValue(INT_MAX);
    EXPECT_EQ(glyphsOf(font), std::vector<int>({2, 1, 4, 7, 4, 8, 3, 6, 4, 7}));
    font.setValue(INT_MIN);
    EXPECT_EQ(font.glyphCount, 11);
    EXPECT_EQ(font.glyphs[0], 12);
    EXPECT_EQ(font.glyphs[10], 8);
}

TEST(DigitFont, AddScoreGoesThroughTheCounter) {
    registerStrip();
    addScore(50);  // no counter: nothing happens, nothing crashes
    scoreCounter = new DigitFont(nullptr, kStrip);
    scoreCounter->setValue(1000);
    addScore(20);
    EXPECT_EQ(scoreCounter->value(), 1020);
    EXPECT_EQ(glyphsOf(*scoreCounter), std::vector<int>({1, 0, 2, 0}));
    scoreCounter->setValue(INT_MAX);
    addScore(1);  // wraps like 32-bit arithmetic instead of overflowing
    EXPECT_EQ(scoreCounter->value(), INT_MIN);
    delete scoreCounter;
    scoreCounter = nullptr;
}

TEST(DigitFont, DrawNumberPlacesGlyphsLeftAligned) {
    registerStrip();
    DigitFont font(nullptr, kStrip);
    font.setValue(70);
    Canvas c;
    EXPECT_EQ(c.drawNumber(px(18), px(204), &font, 0xFF0000), 1);
    // Glyph 7 comes from columns 56..63: colour (16 * 7 + 8, 0, 0); its blue column is keyed.
    EXPECT_EQ(c.pixelAt(18, 204), 0);
    EXPECT_EQ(c.pixelAt(19, 204), toPixel(120, 0, 0));
    EXPECT_EQ(c.pixelAt(25, 215), toPixel(120, 0, 0));
    EXPECT_EQ(c.pixelAt(27, 204), toPixel(8, 0, 0));  // then glyph 0 at x = 26
    EXPECT_EQ(c.pixelAt(34, 204), 0);
    EXPECT_EQ(c.drawNumber(0, 0, nullptr, 0xFF0000), 0);
}
