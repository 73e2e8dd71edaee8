// Canvas: copying, rejection and clipping, colour keys, blending, single pixels and text.
#include "graphics/canvas.h"

#include <gtest/gtest.h>

#include "graphics/image.h"
#include "graphics/text_image.h"
#include "platform/bitmap.h"
#include "tests/support/bmp_builder.h"

using testing_support::Rgb;

namespace {
constexpr uint16_t kWhite = 0xFFDF;
constexpr uint16_t kBlue = 0x001F;

// A w x h image whose pixel (x, y) has red = 8x, green = 8y and blue 8, so every pixel is
// distinct and never white or pure blue.
Image* gradient(int id, int w, int h) {
    std::vector<Rgb> c;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            c.push_back(Rgb{static_cast<uint8_t>(8 * x), static_cast<uint8_t>(8 * y), 8});
    platform::addResource(id, testing_support::makeBmp24(w, h, c));
    return new Image(nullptr, id);
}
uint16_t gradientPixel(int x, int y) {
    return toPixel(8 * x, 8 * y, 8);
}

void fill(Canvas& canvas, uint16_t value) {
    for (int i = 0; i < Canvas::kPixelCount; ++i) canvas.buffer()[i] = value;
}
}  // namespace

TEST(Canvas, StartsBlackWithTheDisplayGeometry) {
    Canvas canvas;
    EXPECT_EQ(canvas.width(), 176u);
    EXPECT_EQ(canvas.height(), 220u);
    for (int i = 0; i < Canvas::kPixelCount; ++i) ASSERT_EQ(canvas.buffer()[i], 0);
}

TEST(Canvas, DrawImageCopiesAndDefaultsToTheWholeImage) {
    std::unique_ptr<Image> image(gradient(9101, 10, 6));
    Canvas canvas;
    EXPECT_EQ(canvas.drawImage(px(5), px(7), 0, 0, image.get(), 0, 0, NO_KEY), 1);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(canvas.pixelAt(5 + x, 7 + y), gradientPixel(x, y));
    EXPECT_EQ(canvas.pixelAt(4, 7), 0);
    EXPECT_EQ(canvas.pixelAt(15, 7), 0);
    EXPECT_EQ(canvas.pixelAt(5, 13), 0);

    // A sub-rectangle; fractional coordinates use their integer part (0x18000 = 1.5 px -> 1).
    Canvas sub;
    EXPECT_EQ(sub.drawImage(0x18000, 0, px(3), px(2), image.get(), px(4), px(1), NO_KEY), 1);
    EXPECT_EQ(sub.pixelAt(1, 0), gradientPixel(4, 1));
    EXPECT_EQ(sub.pixelAt(3, 1), gradientPixel(6, 2));
    EXPECT_EQ(sub.pixelAt(4, 0), 0);
    // -0.5 px is -1 by the arithmetic shift: the left column is cut.
    Canvas neg;
    EXPECT_EQ(neg.drawImage(-0x8000, 0, px(3), px(1), image.get(), 0, 0, NO_KEY), 1);
    EXPECT_EQ(neg.pixelAt(0, 0), gradientPixel(1, 0));
}

TEST(Canvas, DrawImageRejectsBadSourcesAndDrawsNothing) {
    std::unique_ptr<Image> image(gradient(9102, 10, 6));
    Image empty(nullptr, 9199);  // no such resource: an empty image
    Canvas canvas;
    EXPECT_EQ(canvas.drawImage(0, 0, px(10), px(6), nullptr, 0, 0, NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(10), px(6), &empty, 0, 0, NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(8), px(6), image.get(), px(3), 0, NO_KEY), 0);  // past edge
    EXPECT_EQ(canvas.drawImage(0, 0, px(10), px(4), image.get(), 0, px(3), NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(2), px(2), image.get(), px(-1), 0, NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(2), px(2), image.get(), 0, px(-1), NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(-2), px(2), image.get(), 0, 0, NO_KEY), 0);
    EXPECT_EQ(canvas.drawImage(0, 0, px(2), px(-2), image.get(), 0, 0, NO_KEY), 0);
    for (int i = 0; i < Canvas::kPixelCount; ++i) ASSERT_EQ(canvas.buffer()[i], 0);
}

TEST(Canvas, DrawImageClipsAtEveryEdge) {
    std::unique_ptr<Image> image(gradient(9103, 20, 12));
    {
        Canvas c;  // left: the first 10 columns are cut off
        EXPECT_EQ(c.drawImage(px(-10), 0, 0, 0, image.get(), 0, 0, NO_KEY), 1);
        EXPECT_EQ(c.pixelAt(0, 0), gradientPixel(10, 0));
        EXPECT_EQ(c.pixelAt(9, 11), gradientPixel(19, 11));
        EXPECT_EQ(c.pixelAt(10, 0), 0);
    }
    {
        Canvas c;  // top
        EXPECT_EQ(c.drawImage(px(3), px(-5), 0, 0, image.get(), 0, 0, NO_KEY), 1);
        EXPECT_EQ(c.pixelAt(3, 0), gradientPixel(0, 5));
        EXPECT_EQ(c.pixelAt(3, 7), 0);
    }
    {
        Canvas c;  // right and bottom corner: only the 6 x 2 top-left part lands
        EXPECT_EQ(c.drawImage(px(170), px(218), 0, 0, image.get(), 0, 0, NO_KEY), 1);
        EXPECT_EQ(c.pixelAt(175, 219), gradientPixel(5, 1));
        EXPECT_EQ(c.pixelAt(170, 218), gradientPixel(0, 0));
        EXPECT_EQ(c.buffer()[176 * 220], 0);  // the spare pixel is never drawn into
    }
    for (Fixed dx : {px(177), px(176), px(-25)}) {
        Canvas c;  // wholly outside: accepted, nothing drawn
        EXPECT_EQ(c.drawImage(dx, 0, 0, 0, image.get(), 0, 0, NO_KEY), 1);
        for (int i = 0; i < Canvas::kPixelCount; ++i) ASSERT_EQ(c.buffer()[i], 0);
    }
    Canvas c;
    EXPECT_EQ(c.drawImage(0, px(221), 0, 0, image.get(), 0, 0, NO_KEY), 1);
    EXPECT_EQ(c.drawImage(0, px(-12), 0, 0, image.get(), 0, 0, NO_KEY), 1);
    for (int i = 0; i < Canvas::kPixelCount; ++i) ASSERT_EQ(c.buffer()[i], 0);
}

TEST(Canvas, ColourKeysLeaveTheCanvasUnderTransparentPixels) {
    // Row 0: white, blue, red; row 1: (250, 252, 249) (white after toPixel), black, blue.
    std::vector<Rgb> px6 = {{255, 255, 255}, {0, 0, 255}, {255, 0, 0},
                            {250, 252, 249}, {0, 0, 0},   {0, 0, 255}};
    platform::addResource(9104, testing_support::makeBmp24(3, 2, px6));
    Image image(nullptr, 9104);
    const uint16_t under = 0x1234 & ~0x20;
    {
        Canvas c;
        fill(c, under);
        c.drawImage(0, 0, 0, 0, &image, 0, 0, 0xFFFFFF);
        EXPECT_EQ(c.pixelAt(0, 0), under);
        EXPECT_EQ(c.pixelAt(0, 1), under);  // matches the key after toPixel too
        EXPECT_EQ(c.pixelAt(1, 0), kBlue);
        EXPECT_EQ(c.pixelAt(2, 0), 0xF800);
    }
    {
        Canvas c;
        fill(c, under);
        c.drawImage(0, 0, 0, 0, &image, 0, 0, 0xFF0000);  // pure blue in the colour layout
        EXPECT_EQ(c.pixelAt(1, 0), under);
        EXPECT_EQ(c.pixelAt(2, 1), under);
        EXPECT_EQ(c.pixelAt(0, 0), kWhite);
        EXPECT_EQ(c.pixelAt(1, 1), 0);
    }
    {
        Canvas c;
        fill(c, under);
        c.drawImage(0, 0, 0, 0, &image, 0, 0, 0x000000);
        EXPECT_EQ(c.pixelAt(1, 1), under);
        EXPECT_EQ(c.pixelAt(0, 1), kWhite);
    }
}

TEST(Canvas, CanvasCopiesUseFixedGeometry) {
    Canvas source;
    for (int y = 0; y < 220; ++y)
        for (int x = 0; x < 176; ++x)
            source.buffer()[y * 176 + x] = static_cast<uint16_t>(x + 200 * y);
    Canvas target;
    EXPECT_EQ(target.drawCanvas(px(10), px(20), px(11), px(11), &source, px(33), px(44), NO_KEY),
              1);
    EXPECT_EQ(target.pixelAt(10, 20), source.pixelAt(33, 44));
    EXPECT_EQ(target.pixelAt(20, 30), source.pixelAt(43, 54));
    EXPECT_EQ(target.pixelAt(21, 20), 0);
    // Defaults to the whole frame; the source rectangle must lie inside 176 x 220.
    Canvas whole;
    EXPECT_EQ(whole.drawCanvas(0, 0, 0, 0, &source, 0, 0, NO_KEY), 1);
    EXPECT_EQ(whole.pixelAt(175, 219), source.pixelAt(175, 219));
    EXPECT_EQ(whole.drawCanvas(0, 0, px(11), px(11), &source, px(170), 0, NO_KEY), 0);
    EXPECT_EQ(whole.drawCanvas(0, 0, px(11), px(11), nullptr, 0, 0, NO_KEY), 0);

    Canvas copy;
    EXPECT_EQ(copy.copyFrom(nullptr), 0);
    EXPECT_EQ(copy.pixelAt(5, 5), 0);
    EXPECT_EQ(copy.copyFrom(&source), 1);
    EXPECT_EQ(copy.pixelAt(100, 100), source.pixelAt(100, 100));
}

TEST(Canvas, BlendMixesEachChannelOutOf31) {
    Canvas black, white;
    fill(white, kWhite);
    {
        Canvas dest;
        fill(dest, kWhite);
        EXPECT_EQ(dest.blendCanvas(0, 0, px(11), px(11), &black, 0, 0, 16), 1);
        // (16 * 0 + 15 * 31) >> 5 = 14 in each channel.
        EXPECT_EQ(dest.pixelAt(0, 0), (14 << 11) | (14 << 6) | 14);
        EXPECT_EQ(dest.pixelAt(10, 10), (14 << 11) | (14 << 6) | 14);
        EXPECT_EQ(dest.pixelAt(11, 0), kWhite);
    }
    for (int weight : {0, 4, 27, 31}) {
        Canvas dest;
        fill(dest, kWhite);
        dest.blendCanvas(0, 0, px(1), px(1), &white, 0, 0, weight);
        // 31 * 31 >> 5 = 30: never full intensity.
        EXPECT_EQ(dest.pixelAt(0, 0), (30 << 11) | (30 << 6) | 30) << weight;
    }
    {
        // Channels stay apart: red source over blue destination at weight 27.
        Canvas red, dest;
        fill(red, 0xF800);
        fill(dest, kBlue);
        dest.blendCanvas(0, 0, px(1), px(1), &red, 0, 0, 27);
        EXPECT_EQ(dest.pixelAt(0, 0), ((27 * 31 >> 5) << 11) | (4 * 31 >> 5));
    }
    Canvas dest;
    EXPECT_EQ(dest.blendCanvas(0, 0, px(1), px(1), &white, 0, 0, 32), 0);
    EXPECT_EQ(dest.blendCanvas(0, 0, px(1), px(1), &white, 0, 0, -1), 0);
    EXPECT_EQ(dest.blendCanvas(0, 0, px(1), px(1), nullptr, 0, 0, 4), 0);
}

TEST(Canvas, SetPixelStaysInside) {
    Canvas c;
    EXPECT_EQ(c.setPixel(px(176), px(3), 0xFFFFFF), 0);
    EXPECT_EQ(c.setPixel(px(3), px(220), 0xFFFFFF), 0);
    EXPECT_EQ(c.setPixel(px(-1), 0, 0xFFFFFF), 0);
    EXPECT_EQ(c.setPixel(-0x8000, 0, 0xFFFFFF), 0);  // -0.5 px is -1
    EXPECT_EQ(c.setPixel(px(175), px(219), 0x0000FF), 1);
    EXPECT_EQ(c.pixelAt(175, 219), 0xF800);
    EXPECT_EQ(c.setPixel(0x18000, 0x28000, 0xFFFFFF), 1);  // (1.5, 2.5) -> (1, 2)
    EXPECT_EQ(c.pixelAt(1, 2), kWhite);
}

TEST(Canvas, DrawTextCopiesOnlyTheTextColour) {
    TextImage text(u"MW", 0xFFFFFF, 176);
    ASSERT_EQ(text.width, 24);
    ASSERT_EQ(text.height, 14);
    Canvas c;
    const uint16_t under = 0x0841;
    fill(c, under);
    EXPECT_EQ(c.drawText(px(10), px(20), &text), 1);
    int ink = 0;
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 24; ++x) {
            const uint16_t src = text.pixels[y * 24 + x];
            const uint16_t dst = c.pixelAt(10 + x, 20 + y);
            if (src == kWhite) {
                ++ink;
                EXPECT_EQ(dst, kWhite);
            } else {
                EXPECT_EQ(dst, under);
            }
        }
    EXPECT_GT(ink, 10);  // "MW" has plenty of ink
    TextImage empty(u"", 0xFFFFFF, 176);
    EXPECT_EQ(c.drawText(0, 0, &empty), 0);
    EXPECT_EQ(c.drawText(0, 0, nullptr), 0);
    EXPECT_EQ(c.drawText(px(177), 0, &text), 1);
}
