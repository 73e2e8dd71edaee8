// TextImage sizes and colours, and the pixel font's wrapping, clipping and replacement box.
#include "graphics/text_image.h"

#include <gtest/gtest.h>

#include "graphics/canvas.h"
#include "platform/text.h"

namespace {

constexpr uint16_t kWhiteInk = 0xFFDF;  // toPixel of 0xFFFFFF

int countPixels(const TextImage& image, uint16_t value) {
    int n = 0;
    for (int i = 0; i < image.width * image.height; ++i) n += image.pixels[i] == value;
    return n;
}

// (x, y) from the top of a bottom-up section, as blue, green, red packed into one value.
uint32_t sectionPixel(const platform::Section& s, int x, int y) {
    const uint8_t* p = s.bits.data() + s.stride * (s.height - 1 - y) + 3 * x;
    return p[0] << 16 | p[1] << 8 | p[2];
}

}  // namespace

TEST(TextImageTest, SizeFollowsTwelveByFourteenCells) {
    EXPECT_EQ(TextImage(u"abc", 0xFFFFFF, 176).width, 36);
    EXPECT_EQ(TextImage(u"abc", 0xFFFFFF, 176).height, 14);
    const TextImage twenty(u"ABCDEFGHIJKLMNOPQRST", 0xFFFFFF, 176);  // 240 px reckoned
    EXPECT_EQ(twenty.width, 176);
    EXPECT_EQ(twenty.height, 28);
    const TextImage fifteen(u"ABCDEFGHIJKLMNO", 0xFFFFFF, 176);  // 180 px
    EXPECT_EQ(fifteen.width, 176);
    EXPECT_EQ(fifteen.height, 28);
    const TextImage fourteen(u"ABCDEFGHIJKLMN", 0xFFFFFF, 176);  // 168 px
    EXPECT_EQ(fourteen.width, 168);
    EXPECT_EQ(fourteen.height, 14);
    const TextImage twice(u"ABCDEFGHIJKL", 0xFFFFFF, 72);  // exactly twice the width: 3 lines
    EXPECT_EQ(twice.width, 72);
    EXPECT_EQ(twice.height, 42);
    const TextImage empty(u"", 0xFFFFFF, 176);
    EXPECT_EQ(empty.width, 0);
    EXPECT_EQ(empty.height, 14);
    Canvas canvas;
    EXPECT_EQ(canvas.drawText(0, 0, &empty), 0);
}

TEST(TextImageTest, TextColourOnItsInverseAndOnlyInkIsDrawn) {
    // "A" has 18 inked pixels: .###. #...# #...# ##### #...# #...# #...#
    const TextImage white(u"A", 0xFFFFFF, 176);
    ASSERT_NE(white.pixels, nullptr);
    EXPECT_EQ(countPixels(white, kWhiteInk), 18);
    EXPECT_EQ(countPixels(white, 0x0000), 12 * 14 - 18);

    // Red text (0x0000FF) gives 0xF800 on cyan, whose pixel is 0x07DF.
    const TextImage red(u"A", 0x0000FF, 176);
    EXPECT_EQ(countPixels(red, 0xF800), 18);
    EXPECT_EQ(countPixels(red, 0x07DF), 12 * 14 - 18);

    // Drawn over a canvas, only the ink lands; the glyph's top row is 2 pixels down.
    Canvas canvas;
    for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x) canvas.setPixel(px(x), px(y), 0x00FF00);
    const uint16_t green = canvas.pixelAt(0, 0);
    EXPECT_EQ(canvas.drawText(px(4), px(3), &white), 1);
    EXPECT_EQ(canvas.pixelAt(4, 5), green);  // 'A' row 0 is .###.
    EXPECT_EQ(canvas.pixelAt(5, 5), kWhiteInk);
    EXPECT_EQ(canvas.pixelAt(4, 8), kWhiteInk);  // row 3 is #####
    EXPECT_EQ(canvas.pixelAt(8, 8), kWhiteInk);
    EXPECT_EQ(canvas.pixelAt(9, 8), green);  // the spacing column
}

TEST(TextImageTest, UnknownCharactersDrawAReplacementBox) {
    // A 5 x 7 hollow box: 5 + 5 + 2 * 5 = 20 inked pixels, for a CJK character and for a lone
    // surrogate alike; a pair of surrogates is one character and one box.
    EXPECT_EQ(countPixels(TextImage(u"\u4E2D", 0xFFFFFF, 176), kWhiteInk), 20);
    EXPECT_EQ(countPixels(TextImage(std::u16string(1, char16_t(0xD800)), 0xFFFFFF, 176), kWhiteInk),
              20);
    EXPECT_EQ(countPixels(TextImage(u"\U0001F600", 0xFFFFFF, 176), kWhiteInk), 20);
    EXPECT_EQ(countPixels(TextImage(u" ", 0xFFFFFF, 176), kWhiteInk), 0);
}

TEST(TextImageTest, TextWrapsAtSpacesAndIsClippedAtTheEdges) {
    constexpr uint32_t kBlue = 0xFF0000, kInk = 0xFFFFFF, kBack = 0x000000;
    constexpr uint32_t kSectionBlue = 0xFF0000;  // blue, green, red as sectionPixel packs them
    // 30 pixels hold five 6-pixel cells: "AB CD" on the first line, "EF" on the second.
    platform::Section s = platform::makeSection(40, 30);
    platform::fillSection(s, 40, 30, kBlue);
    platform::drawSectionText(s, 30, 28, u"AB CD EF", kInk, kBack);
    EXPECT_EQ(sectionPixel(s, 24, 5), 0xFFFFFFu);  // 'D' row 3: #...#
    EXPECT_EQ(sectionPixel(s, 0, 16), 0xFFFFFFu);  // 'E' row 0 on the second line
    EXPECT_EQ(sectionPixel(s, 4, 16), 0xFFFFFFu);
    EXPECT_EQ(sectionPixel(s, 5, 16), 0u);            // its spacing column, background colour
    EXPECT_EQ(sectionPixel(s, 30, 5), kSectionBlue);  // right of the rectangle: untouched
    EXPECT_EQ(sectionPixel(s, 0, 28), kSectionBlue);  // below it: untouched

    // A word longer than the line is cut off at the right edge, not carried over.
    platform::Section cut = platform::makeSection(40, 30);
    platform::fillSection(cut, 40, 30, kBlue);
    platform::drawSectionText(cut, 15, 28, u"EEEEE", kInk, kBack);
    EXPECT_EQ(sectionPixel(cut, 14, 2), 0xFFFFFFu);  // third 'E', column 2 of its top row
    EXPECT_EQ(sectionPixel(cut, 15, 2), kSectionBlue);
    EXPECT_EQ(sectionPixel(cut, 0, 16), kSectionBlue);
}
