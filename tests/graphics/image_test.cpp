// Image: conversion of 24-bit and palettised bitmaps, odd widths, and a missing resource.
#include "graphics/image.h"

#include <gtest/gtest.h>

#include "platform/bitmap.h"
#include "platform/headless/headless.h"
#include "tests/support/bmp_builder.h"

using testing_support::Rgb;

TEST(ToPixel, KeepsTopFiveBitsOfEachChannel) {
    EXPECT_EQ(toPixel(255, 255, 255), 0xFFDF);  // green lands one bit higher: bit 5 stays clear
    EXPECT_EQ(toPixel(0, 0, 255), 0x001F);
    EXPECT_EQ(toPixel(255, 0, 255), 0xF81F);
    EXPECT_EQ(toPixel(0, 0, 0), 0x0000);
    EXPECT_EQ(toPixel(7, 7, 7), 0x0000);  // so near-black matches a black key
    EXPECT_EQ(toPixel(0, 8, 0), 0x0040);
    // Platform colour values hold red in the low byte.
    EXPECT_EQ(toPixel(0xFF0000u), 0x001F);
    EXPECT_EQ(toPixel(0x0000FFu), 0xF800);
}

TEST(Image, ConvertsOddWidthsWithoutSkewTopRowFirst) {
    // 3 x 6: each pixel a distinct colour, so any skew or flip shows.
    std::vector<Rgb> colours;
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x)
            colours.push_back(Rgb{static_cast<uint8_t>(40 * x + 8), static_cast<uint8_t>(40 * y),
                                  static_cast<uint8_t>(200 - 8 * (x + y))});
    platform::addResource(9001, testing_support::makeBmp24(3, 6, colours));
    Image image(nullptr, 9001);
    ASSERT_NE(image.pixels, nullptr);
    EXPECT_EQ(image.width, 3);
    EXPECT_EQ(image.height, 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 3; ++x) {
            const Rgb& c = colours[y * 3 + x];
            EXPECT_EQ(image.pixels[y * 3 + x], toPixel(c.r, c.g, c.b)) << x << "," << y;
        }
}

TEST(Image, ConvertsPalettisedBitmaps) {
    // 50 x 18, 8-bit: rows striped by palette index so row order and row length both matter.
    std::vector<Rgb> palette = {{0, 0, 255}, {255, 255, 255}, {7, 7, 7}, {200, 100, 50}};
    std::vector<uint8_t> indices(50 * 18);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 50; ++x) indices[y * 50 + x] = static_cast<uint8_t>((x + y) % 4);
    platform::addResource(9002, testing_support::makeBmp8(50, 18, palette, indices));
    Image image(nullptr, 9002);
    ASSERT_EQ(image.width, 50);
    ASSERT_EQ(image.height, 18);
    const uint16_t expected[4] = {0x001F, 0xFFDF, 0x0000, toPixel(200, 100, 50)};
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 50; ++x)
            ASSERT_EQ(image.pixels[y * 50 + x], expected[(x + y) % 4]) << x << "," << y;
}

TEST(Image, MissingResourceIsEmptyAndReported) {
    platform::headless::reset();
    Image image(nullptr, 4242);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
    EXPECT_EQ(image.height, 0);
    ASSERT_EQ(platform::headless::traceLines().size(), 1u);
    EXPECT_EQ(platform::headless::traceLines()[0], "0 message ERROR LOAD RESOURCE");
}

TEST(Image, DamagedBitmapIsEmpty) {
    auto bmp = testing_support::makeBmp24(4, 4, std::vector<Rgb>(16, Rgb{1, 2, 3}));
    bmp.resize(bmp.size() - 10);  // pixel data cut short
    platform::addResource(9003, bmp);
    Image image(nullptr, 9003);
    EXPECT_EQ(image.pixels, nullptr);
    EXPECT_EQ(image.width, 0);
}
