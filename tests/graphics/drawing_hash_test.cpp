// Every copying path of the canvas pinned down by a hash of the frames it draws: keyed and
// unkeyed images and canvases at positions that clip on every side, blends of every weight,
// text, numbers and single pixels. A faster drawing path must give the same pixels.
//
// The expected hashes were taken from the straightforward drawing code at commit dfcbdba,
// before any of the drawing paths were sped up.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "graphics/text_image.h"
#include "platform/bitmap.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/frame_hash.h"

using testing_support::hashPixels;
using testing_support::Rgb;

namespace {
constexpr int kNoiseId = 9801;
constexpr int kBrickId = 9802;
constexpr int kOddId = 9803;
constexpr int kDigitsId = 9804;

// w x h pixels of noise in which about one pixel in three is the black key.
std::unique_ptr<Image> noise(int id, int w, int h, uint32_t seed) {
    std::vector<Rgb> c(static_cast<size_t>(w) * h);
    for (Rgb& p : c) {
        seed = seed * 1103515245u + 12345u;
        p = (seed >> 20) % 3 == 0
                ? Rgb{0, 0, 0}
                : Rgb{static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                      static_cast<uint8_t>(seed >> 8)};
    }
    platform::addResource(id, testing_support::makeBmp24(w, h, c));
    return std::make_unique<Image>(nullptr, id);
}

uint64_t frameHash(const Canvas& canvas, uint64_t hash) {
    return hashPixels(canvas.buffer(), Canvas::kPixelCount, hash);
}

// Places that clip on the left, top, right and bottom, inside, and wholly outside.
const int kPlaces[][2] = {{-7, -3},  {0, 0},   {5, 9},   {170, 100}, {100, 215}, {-15, 210},
                          {165, -9}, {80, 80}, {176, 0}, {0, 220},   {-300, 5},  {3, 1}};
}  // namespace

TEST(DrawingHash, ImagesAndCanvasesKeyedAndUnkeyedAtEveryClip) {
    auto screen = noise(kNoiseId, 176, 220, 7);
    auto brick = noise(kBrickId, 16, 10, 11);
    auto odd = noise(kOddId, 37, 23, 13);
    Canvas canvas, other;
    canvas.drawImage(0, 0, 0, 0, screen.get(), 0, 0, NO_KEY);
    other.drawImage(px(3), px(2), 0, 0, odd.get(), 0, 0, NO_KEY);
    uint64_t hash = frameHash(canvas, testing_support::kFrameHashStart);
    for (const auto& place : kPlaces) {
        const Fixed x = px(place[0]) + 0x8000, y = px(place[1]);  // half pixels are dropped
        for (const uint32_t key : {NO_KEY, 0x000000u, 0xFFFFFFu}) {
            canvas.drawImage(x, y, 0, 0, brick.get(), 0, 0, key);
            canvas.drawImage(y, x, px(9), px(7), odd.get(), px(20), px(11), key);
            canvas.drawImage(x, y, px(176), px(220), screen.get(), 0, 0, key);
            canvas.drawCanvas(y, x, px(40), px(33), &other, px(1), px(2), key);
            hash = frameHash(canvas, hash);
            canvas.drawImage(x, y, 0, 0, odd.get(), 0, 0, key);
        }
        // Rejected: beyond the source, negative sizes and sources.
        canvas.drawImage(x, y, px(17), px(10), brick.get(), 0, 0, NO_KEY);
        canvas.drawImage(x, y, px(-4), px(10), brick.get(), 0, 0, 0);
        canvas.drawImage(x, y, px(4), px(4), brick.get(), px(-1), 0, 0);
        hash = frameHash(canvas, hash);
    }
    EXPECT_EQ(hash, 131015604420305121ull);
}

TEST(DrawingHash, BlendsTextNumbersAndPixels) {
    auto screen = noise(kNoiseId, 176, 220, 17);
    std::vector<Rgb> strip(16 * 6 * 9);
    for (size_t i = 0; i < strip.size(); ++i)
        strip[i] = i % 5 == 0 ? Rgb{0, 0, 255} : Rgb{static_cast<uint8_t>(i), 200, 40};
    platform::addResource(kDigitsId, testing_support::makeBmp24(16 * 6, 9, strip));
    DigitFont digits(nullptr, kDigitsId);
    digits.setValue(9081726);
    TextImage text(u"Keep the balls in play", 0x00FFFF, 120);
    Canvas canvas, other;
    other.drawImage(0, 0, 0, 0, screen.get(), 0, 0, NO_KEY);
    uint64_t hash = testing_support::kFrameHashStart;
    for (int weight = -1; weight <= 32; ++weight) {
        const auto& place = kPlaces[(weight + 1) % std::size(kPlaces)];
        const Fixed x = px(place[0]), y = px(place[1]);
        canvas.blendCanvas(x, y, px(64), px(50), &other, px(weight + 1), px(2 * weight + 2),
                           weight);
        canvas.drawText(y, x, &text);
        canvas.drawNumber(x, y, &digits, 0xFF0000);
        canvas.drawNumber(y, x, &digits, NO_KEY);
        for (int d = -1; d <= 1; ++d) canvas.setPixel(x + px(d), y - px(d), 0x123456u * weight);
        hash = frameHash(canvas, hash);
    }
    EXPECT_EQ(hash, 1409404587489849385ull);
}
