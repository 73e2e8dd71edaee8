// The embedded artwork: every resource at its size and depth, and the colour keys of the
// sprite sheets as the game draws them.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "assets/resource_ids.h"
#include "graphics/image.h"
#include "platform/bitmap.h"

namespace {

constexpr uint16_t kBlue = 0x001F;  // toPixel(0, 0, 255)
constexpr uint16_t kBlack = 0x0000;
constexpr uint16_t kWhite = 0xFFDF;  // toPixel(255, 255, 255)

uint16_t readU16(std::span<const uint8_t> d, size_t at) {
    return static_cast<uint16_t>(d[at] | (d[at + 1] << 8));
}
uint32_t readU32(std::span<const uint8_t> d, size_t at) {
    return readU16(d, at) | (static_cast<uint32_t>(readU16(d, at + 2)) << 16);
}

// A resource as the game sees it: its raw 24-bit colours and their 16-bit pixels.
struct Sheet {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB
    uint32_t colour(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    uint16_t pixel(int x, int y) const {
        uint32_t c = colour(x, y);
        return toPixel(c >> 16, (c >> 8) & 0xFF, c & 0xFF);
    }
};

Sheet load(int id) {
    Sheet s;
    platform::Section section;
    if (!platform::loadBitmapResource(id, section)) return s;
    s.width = section.width;
    s.height = section.height;
    for (int y = 0; y < s.height; ++y) {
        const uint8_t* row =
            section.bits.data() + static_cast<size_t>(section.stride) * (s.height - 1 - y);
        for (int x = 0; x < s.width; ++x)
            s.rgb.push_back((row[3 * x + 2] << 16) | (row[3 * x + 1] << 8) | row[3 * x]);
    }
    return s;
}

// Counts the pixels of a rectangle that a draw keyed on `keyRgb` would leave out although
// they are not exactly the key colour: those would be holes in the sprite.
int lookalikes(const Sheet& s, int x0, int y0, int w, int h, uint32_t keyRgb) {
    uint16_t key = toPixel(keyRgb >> 16, (keyRgb >> 8) & 0xFF, keyRgb & 0xFF);
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (s.colour(x, y) != keyRgb && s.pixel(x, y) == key) ++n;
    return n;
}

int countPixel(const Sheet& s, int x0, int y0, int w, int h, uint16_t pixel) {
    int n = 0;
    for (int y = y0; y < y0 + h; ++y)
        for (int x = x0; x < x0 + w; ++x)
            if (s.pixel(x, y) == pixel) ++n;
    return n;
}

}  // namespace

TEST(BitmapResources, EveryResourceHasItsSizeAndDepth) {
    struct Expected {
        int id, width, height, depth;
    };
    const Expected table[] = {
        {resource::kPlayBackground, 176, 220, 8},
        {resource::kAbout, 176, 220, 8},
        {resource::kSmallDigits, 128, 12, 8},
        {resource::kGameOver, 176, 220, 8},
        {resource::kHighScores, 176, 220, 8},
        {resource::kKeyHelp, 176, 220, 8},
        {resource::kMenu, 176, 220, 8},
        {resource::kMenuHighlights, 140, 165, 8},
        {resource::kPause, 176, 220, 8},
        {resource::kVictory, 176, 220, 8},
        {resource::kNameEntry, 176, 220, 8},
        {resource::kNameEntryGrid, 160, 80, 8},
        {resource::kIcon, 32, 32, 24},
        {resource::kOptions, 176, 220, 8},
        {resource::kOptionLabels, 96, 80, 24},
        {resource::kOptionBadges, 28, 56, 24},
        {resource::kBigDigits, 160, 16, 8},
        {resource::kTitle, 176, 220, 8},
        {resource::kBalls, 32, 24, 8},
        {resource::kPaddle, 50, 18, 8},
        {resource::kBullet, 3, 6, 8},
        {resource::kFireBricks, 48, 30, 8},
        {resource::kGemBricks, 48, 100, 8},
        {resource::kHideBricks, 16, 30, 8},
        {resource::kMetalBricks, 32, 100, 8},
        {resource::kStableBricks, 16, 30, 8},
        {resource::kStoneBricks, 16, 100, 8},
        {resource::kStage, 176, 220, 8},
        {resource::kItems, 140, 40, 8},
        {resource::kExplosion, 256, 128, 8},
        {resource::kStatusBar, 176, 20, 8},
        {resource::kItemHelp, 176, 220, 8},
        {resource::kBrickHelp, 176, 220, 8},
        {resource::kScreenVariants, 176, 226, 8},
    };
    for (const Expected& e : table) {
        SCOPED_TRACE(e.id);
        std::span<const uint8_t> bytes = platform::resourceBytes(e.id);
        ASSERT_GE(bytes.size(), 54u);
        EXPECT_EQ(readU16(bytes, 28), e.depth);
        EXPECT_EQ(readU32(bytes, 30), 0u) << "compressed";
        if (e.depth == 8) {
            uint32_t colours = readU32(bytes, 46);
            EXPECT_GE(colours, 2u);
            EXPECT_LE(colours, 256u);
        }
        EXPECT_EQ(readU32(bytes, 2), bytes.size()) << "file size field";
        platform::Section section;
        ASSERT_TRUE(platform::decodeBmp(bytes, section));
        EXPECT_EQ(section.width, e.width);
        EXPECT_EQ(section.height, e.height);
    }
    // The small digit strip uses exactly four colours.
    EXPECT_EQ(readU32(platform::resourceBytes(resource::kSmallDigits), 46), 4u);
    // Ids the game never asks for have no resource.
    EXPECT_TRUE(platform::resourceBytes(107).empty());
    EXPECT_TRUE(platform::resourceBytes(0).empty());
    EXPECT_TRUE(platform::resourceBytes(-1).empty());
}

TEST(BitmapResources, DigitStripsStandOnPureBlue) {
    Sheet small = load(resource::kSmallDigits);
    ASSERT_EQ(small.width, 128);
    EXPECT_EQ(lookalikes(small, 0, 0, 128, 12, 0x0000FF), 0);
    for (int cell = 0; cell < 16; ++cell) {
        SCOPED_TRACE(cell);
        int blue = countPixel(small, cell * 8, 0, 8, 12, kBlue);
        if (cell < 10) {
            EXPECT_GT(blue, 0);        // background around the digit
            EXPECT_GT(96 - blue, 15);  // and the digit itself
        } else {
            EXPECT_EQ(blue, 96);  // cells 10 to 15 are blank
        }
    }
    Sheet big = load(resource::kBigDigits);
    ASSERT_EQ(big.width, 160);
    EXPECT_EQ(lookalikes(big, 0, 0, 160, 16, 0x0000FF), 0);
    for (int cell = 0; cell < 10; ++cell) {
        SCOPED_TRACE(cell);
        int blue = countPixel(big, cell * 16, 0, 16, 16, kBlue);
        EXPECT_GT(blue, 0);
        EXPECT_GT(256 - blue, 40);
        // The glyph keeps inside its own cell: its first column is background.
        EXPECT_EQ(countPixel(big, cell * 16, 0, 1, 16, kBlue), 16);
    }
}

TEST(BitmapResources, SpriteSheetsUseTheirColourKeys) {
    // Balls on black: each 8 x 8 frame has black corners and a visible middle.
    Sheet balls = load(resource::kBalls);
    EXPECT_EQ(lookalikes(balls, 0, 0, 32, 24, 0x000000), 0);
    for (int row = 0; row < 3; ++row)
        for (int frame = 0; frame < 4; ++frame) {
            EXPECT_EQ(balls.pixel(frame * 8, row * 8), kBlack);
            EXPECT_EQ(balls.pixel(frame * 8 + 7, row * 8 + 7), kBlack);
            EXPECT_NE(balls.pixel(frame * 8 + 4, row * 8 + 4), kBlack);
        }

    // Paddle: bars on blue, magnet (40, 13) and gun (45, 13) on black.
    Sheet paddle = load(resource::kPaddle);
    EXPECT_EQ(lookalikes(paddle, 0, 0, 50, 13, 0x0000FF), 0);
    EXPECT_EQ(lookalikes(paddle, 0, 13, 40, 5, 0x0000FF), 0);
    EXPECT_EQ(lookalikes(paddle, 40, 13, 10, 5, 0x000000), 0);
    EXPECT_EQ(paddle.pixel(0, 0), kBlue);   // rounded corner of the wide bar
    EXPECT_NE(paddle.pixel(25, 2), kBlue);  // the wide bar itself
    EXPECT_EQ(paddle.pixel(36, 8), kBlue);  // right of the 35-pixel bar
    EXPECT_NE(paddle.pixel(17, 8), kBlue);
    EXPECT_EQ(paddle.pixel(25, 14), kBlue);  // right of the 20-pixel bar
    EXPECT_NE(paddle.pixel(10, 14), kBlue);
    EXPECT_EQ(countPixel(paddle, 40, 13, 10, 5, kBlue), 0);
    EXPECT_GT(countPixel(paddle, 40, 13, 5, 5, kBlack), 0);
    EXPECT_LT(countPixel(paddle, 40, 13, 5, 5, kBlack), 25);
    EXPECT_GT(countPixel(paddle, 45, 13, 5, 5, kBlack), 0);
    EXPECT_LT(countPixel(paddle, 45, 13, 5, 5, kBlack), 25);

    // Bullet on white.
    Sheet bullet = load(resource::kBullet);
    EXPECT_EQ(lookalikes(bullet, 0, 0, 3, 6, 0xFFFFFF), 0);
    EXPECT_EQ(bullet.pixel(0, 0), kWhite);
    EXPECT_NE(bullet.pixel(1, 2), kWhite);

    // Gem bricks keyed black at their cut corners; the other kinds fill every cell.
    Sheet gem = load(resource::kGemBricks);
    EXPECT_EQ(lookalikes(gem, 0, 0, 48, 100, 0x000000), 0);
    for (int row = 0; row < 10; ++row)
        for (int col = 0; col < 3; ++col) {
            EXPECT_EQ(gem.pixel(col * 16, row * 10), kBlack);
            EXPECT_NE(gem.pixel(col * 16 + 8, row * 10 + 5), kBlack);
        }
    for (int id : {resource::kFireBricks, resource::kHideBricks, resource::kMetalBricks,
                   resource::kStableBricks, resource::kStoneBricks}) {
        SCOPED_TRACE(id);
        Sheet sheet = load(id);
        EXPECT_EQ(countPixel(sheet, 0, 0, sheet.width, sheet.height, kBlack), 0);
    }

    // Items and the explosion on black.
    Sheet items = load(resource::kItems);
    EXPECT_EQ(lookalikes(items, 0, 0, 140, 40, 0x000000), 0);
    for (int kind = 0; kind < 14; ++kind) {
        int x = (kind % 7) * 20;
        int y = (kind / 7) * 20;
        EXPECT_EQ(items.pixel(x, y), kBlack) << "item " << kind + 1;
        EXPECT_GT(400 - countPixel(items, x, y, 20, 20, kBlack), 150) << "item " << kind + 1;
    }
    Sheet blast = load(resource::kExplosion);
    EXPECT_EQ(lookalikes(blast, 0, 0, 256, 128, 0x000000), 0);
    for (int f = 0; f < 32; ++f) EXPECT_EQ(blast.pixel((f % 8) * 32, (f / 8) * 32), kBlack);
    EXPECT_NE(blast.pixel(16, 16), kBlack);  // the first frame starts white-hot in the middle

    // Name entry grid on blue: the space is stored as the blank cell (7, 3); (9, 3) is unused.
    Sheet grid = load(resource::kNameEntryGrid);
    EXPECT_EQ(lookalikes(grid, 0, 0, 160, 80, 0x0000FF), 0);
    EXPECT_EQ(countPixel(grid, 7 * 16, 60, 16, 20, kBlue), 320);
    EXPECT_EQ(countPixel(grid, 9 * 16, 60, 16, 20, kBlue), 320);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 10; ++c) {
            if (r == 3 && (c == 7 || c == 9)) continue;
            EXPECT_LT(countPixel(grid, c * 16, r * 20, 16, 20, kBlue), 320) << c << "," << r;
        }
}

TEST(BitmapResources, HighlightsMatchTheBackgroundTheyAreDrawnOn) {
    // Menu bands: 140 x 33 at (20, 23 + 33 s). Their border rows continue the background,
    // their middle differs from it (the highlight shows).
    Sheet menu = load(resource::kMenu);
    Sheet bands = load(resource::kMenuHighlights);
    for (int s = 0; s < 5; ++s) {
        SCOPED_TRACE(s);
        int top = 23 + 33 * s;
        EXPECT_EQ(bands.colour(0, 33 * s), menu.colour(20, top));
        EXPECT_EQ(bands.colour(139, 33 * s + 32), menu.colour(159, top + 32));
        int differing = 0;
        for (int x = 0; x < 140; ++x)
            if (bands.colour(x, 33 * s + 16) != menu.colour(20 + x, top + 16)) ++differing;
        EXPECT_GT(differing, 60);
    }
    // Options: bands of 96 x 20 and the two 28 x 28 badges.
    Sheet options = load(resource::kOptions);
    Sheet labels = load(resource::kOptionLabels);
    Sheet badges = load(resource::kOptionBadges);
    const int at[4][2] = {{0, 60}, {0, 96}, {0, 136}, {72, 180}};
    for (int s = 0; s < 4; ++s) {
        SCOPED_TRACE(s);
        EXPECT_EQ(labels.colour(0, 20 * s), options.colour(at[s][0], at[s][1]));
        EXPECT_EQ(labels.colour(95, 20 * s + 19), options.colour(at[s][0] + 95, at[s][1] + 19));
        EXPECT_NE(labels.colour(50, 20 * s + 10), options.colour(at[s][0] + 50, at[s][1] + 10));
    }
    const int badgeAt[2][2] = {{96, 60}, {96, 88}};
    for (int b = 0; b < 2; ++b) {
        SCOPED_TRACE(b);
        int differing = 0;
        for (int y = 0; y < 28; ++y)
            for (int x = 0; x < 28; ++x) {
                uint32_t badge = badges.colour(x, 28 * b + y);
                uint32_t back = options.colour(badgeAt[b][0] + x, badgeAt[b][1] + y);
                if (x == 0 || y == 0 || x == 27 || y == 27) {
                    EXPECT_EQ(badge, back);
                }
                if (badge != back) ++differing;
            }
        EXPECT_GT(differing, 100);  // "on" covers the "off" drawn in the background
    }
}

TEST(BitmapResources, ScreensLeaveRoomForTheirNumbers) {
    // Stage and game-over numbers: 16 x 16 digits at y = 139, centred on x = 88. The stage
    // shows up to 1 digit, the final score up to 7; the area behind them is one plain colour.
    struct Area {
        int id, x, width;
    };
    for (const Area& a : {Area{resource::kStage, 80, 16}, Area{resource::kGameOver, 32, 112}}) {
        SCOPED_TRACE(a.id);
        Sheet s = load(a.id);
        uint32_t plain = s.colour(a.x, 139);
        for (int y = 139; y < 155; ++y)
            for (int x = a.x; x < a.x + a.width; ++x)
                ASSERT_EQ(s.colour(x, y), plain) << x << "," << y;
    }
    // The status bar under the score (x 18 to 87, y 204 to 215) is plain as well, so the
    // digits read; the symbols sit just left of x = 18, 106 and 147.
    Sheet bar = load(resource::kStatusBar);
    uint32_t plain = bar.colour(18, 4);
    for (int y = 4; y < 16; ++y)
        for (int x = 18; x < 88; ++x) ASSERT_EQ(bar.colour(x, y), plain);
    for (int x : {17, 105, 146}) {
        int symbol = 0;
        for (int y = 4; y < 16; ++y)
            for (int dx = 0; dx < 12; ++dx)
                if (bar.colour(x - dx, y) != plain) ++symbol;
        EXPECT_GT(symbol, 20) << "no symbol left of x = " << x + 1;
    }
}
