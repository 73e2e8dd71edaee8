// The name entry grid, the wipe's bands and weights, and the centred big number.
#include <gtest/gtest.h>

#include "assets/resource_ids.h"
#include "frontend/name_entry.h"
#include "frontend/screen_transition.h"
#include "graphics/canvas.h"
#include "graphics/centred_number.h"
#include "graphics/image.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/support/frame_hash.h"

namespace {
std::pair<int, int> at(const NameEntry& n) {
    return {n.column(), n.row()};
}
}  // namespace

TEST_F(FrontendTest, NameEntryCursorSkipsTheEmptyCells) {
    NameEntry n;
    for (int i = 0; i < 3; ++i) n.moveUp();  // row 0 -> 3 -> 2 -> 1
    EXPECT_EQ(at(n), std::make_pair(0, 1));
    n.moveDown();
    n.moveDown();  // row 3, column 0: U
    std::vector<std::pair<int, int>> visited;
    for (int i = 0; i < 8; ++i) {
        n.moveRight();
        visited.push_back(at(n));
    }
    // V W X Y Z, space, delete, and back to U.
    EXPECT_EQ(visited, (std::vector<std::pair<int, int>>{
                           {1, 3}, {2, 3}, {3, 3}, {4, 3}, {5, 3}, {6, 3}, {8, 3}, {0, 3}}));
    n.moveLeft();  // from U to delete
    EXPECT_EQ(at(n), std::make_pair(8, 3));
    n.moveLeft();  // to the space
    EXPECT_EQ(at(n), std::make_pair(6, 3));
    // Columns 7 and 9 never rest on row 3.
    for (int column : {7, 9}) {
        NameEntry m;
        for (int i = 0; i < column; ++i) m.moveRight();
        m.moveUp();
        EXPECT_EQ(at(m), std::make_pair(column, 2));
        m.moveDown();
        EXPECT_EQ(at(m), std::make_pair(column, 0));
    }
    // Elsewhere rows wrap: down from row 3 to row 0.
    NameEntry w;
    w.moveUp();
    w.moveDown();
    EXPECT_EQ(at(w), std::make_pair(0, 0));
}

TEST_F(FrontendTest, NameEntryPicksDeletesAndSpells) {
    NameEntry n;
    // Delete with nothing entered does nothing.
    n.moveUp();
    for (int i = 0; i < 7; ++i) n.moveRight();  // U V W X Y Z, space, delete
    ASSERT_EQ(at(n), std::make_pair(8, 3));
    n.pick();
    EXPECT_EQ(n.length(), 0);
    // "A B7": A, space, B, 7.
    NameEntry m;
    m.moveDown();  // A
    m.pick();
    m.moveDown();
    m.moveDown();
    for (int i = 0; i < 6; ++i) m.moveRight();  // space
    m.pick();
    m.moveUp();
    m.moveUp();
    for (int i = 0; i < 5; ++i) m.moveLeft();  // column 1 of row 1: B
    m.pick();
    m.moveUp();
    for (int i = 0; i < 6; ++i) m.moveRight();  // row 0, column 7: the digit 7
    m.pick();
    EXPECT_EQ(std::u16string(m.text()), u"A B7");
    for (int i = 0; i < 6; ++i) m.pick();  // up to eight characters, the ninth refused
    EXPECT_EQ(m.length(), 8);
    EXPECT_EQ(std::u16string(m.text()), u"A B77777");
    m.reset();
    EXPECT_EQ(m.length(), 0);
    EXPECT_EQ(std::u16string(m.text()), u"");
    EXPECT_EQ(at(m), std::make_pair(0, 0));
}

TEST_F(FrontendTest, NameEntryDrawsTheCursorAndTheEnteredCells) {
    NameEntry n;
    n.moveDown();
    n.moveRight();  // B at (1, 1)
    n.pick();
    Canvas c;
    n.draw(&c);
    // The grid picture is one solid colour (never pure blue), so its cell lands whole.
    EXPECT_EQ(c.pixelAt(16 * 1 + 8, 20 * 1 + 65), screenColour(resource::kNameEntryGrid));
    EXPECT_EQ(c.pixelAt(16 * 1 + 8 + 15, 20 * 1 + 65 + 19), screenColour(resource::kNameEntryGrid));
    EXPECT_EQ(c.pixelAt(16 * 1 + 8 + 16, 20 * 1 + 65), screenColour(resource::kNameEntry));
    EXPECT_EQ(c.pixelAt(25, 153), screenColour(resource::kNameEntryGrid));  // the entered B
    EXPECT_EQ(c.pixelAt(41, 153), screenColour(resource::kNameEntry));

    // Prompted for a character: the whole grid lights up, until the next key.
    n.promptForCharacter();
    n.draw(&c);
    EXPECT_EQ(c.pixelAt(8, 65), screenColour(resource::kNameEntryGrid));
    EXPECT_EQ(c.pixelAt(16 * 9 + 8 + 15, 20 * 3 + 65 + 19), screenColour(resource::kNameEntryGrid));
    EXPECT_EQ(c.pixelAt(16 * 10 + 8, 65), screenColour(resource::kNameEntry));  // right of the grid
    n.moveLeft();
    n.draw(&c);
    EXPECT_EQ(c.pixelAt(8 + 15, 20 * 1 + 65),
              screenColour(resource::kNameEntryGrid));  // the cursor on A
    EXPECT_EQ(c.pixelAt(8 + 16, 20 * 1 + 65),
              screenColour(resource::kNameEntry));  // B no longer lit
    EXPECT_EQ(c.pixelAt(8, 65), screenColour(resource::kNameEntry));
}

TEST(ScreenTransition, WeightsAcrossTheFront) {
    EXPECT_EQ(ScreenTransition::weightAt(-5), 0);
    EXPECT_EQ(ScreenTransition::weightAt(-4), 4);
    EXPECT_EQ(ScreenTransition::weightAt(-3), 4);
    EXPECT_EQ(ScreenTransition::weightAt(-1), 10);
    EXPECT_EQ(ScreenTransition::weightAt(0), 16);
    EXPECT_EQ(ScreenTransition::weightAt(3), 22);
    EXPECT_EQ(ScreenTransition::weightAt(5), 27);
    EXPECT_EQ(ScreenTransition::weightAt(6), 0);

    ScreenTransition t;
    for (int i = 0; i < 55; ++i) EXPECT_FALSE(t.advance());
    EXPECT_TRUE(t.advance());  // the 56th step ends the wipe
    EXPECT_EQ(t.step, 0);
}

TEST_F(FrontendTest, WipeBlendsTheBandAndKeepsEachSideOfIt) {
    ScreenTransition t;
    for (int i = 0; i < Canvas::kPixelCount; ++i) t.fromCanvas->buffer()[i] = 0xFFDF;  // white
    Canvas out;
    auto channel = [&](int u, int v) { return out.pixelAt(11 * u + 5, 11 * v + 5) >> 11; };
    t.step = 10;
    t.draw(&out);
    // d = u + 2v - 10: (6, 0) is d = -4 -> weight 4: (4 * 31) >> 5 = 3.
    EXPECT_EQ(channel(6, 0), 3);
    EXPECT_EQ(channel(10, 0), 15);  // d = 0 -> weight 16
    EXPECT_EQ(channel(3, 5), 21);   // d = 3 -> weight 22: 682 >> 5 = 21
    EXPECT_EQ(channel(15, 0), 26);  // d = 5 -> weight 27
    EXPECT_EQ(channel(0, 8), 31);   // ahead of the band: the old screen unchanged
    EXPECT_EQ(channel(5, 0), 0);    // behind it: the new screen (black)
    t.step = 55;
    t.draw(&out);
    EXPECT_EQ(channel(15, 19), 9);  // u + 2v = 53, d = -2 -> weight 10: 310 >> 5 = 9
    EXPECT_EQ(channel(14, 19), 3);  // d = -3 -> weight 4
}

TEST_F(FrontendTest, CentredNumberPlacesEachDigit) {
    Image digits(nullptr,
                 resource::kBigDigits);  // the fixture's strip: digit d filled with (8d + 8, 8, 8)
    Canvas c;
    drawCentredNumber(&c, &digits, 1230);
    // Four digits from x = (176 - 64) / 2 = 56: 1, 2, 3, 0; the first column of each is keyed.
    EXPECT_EQ(c.pixelAt(56, 139), 0);
    EXPECT_EQ(c.pixelAt(57, 139), toPixel(16, 8, 8));
    EXPECT_EQ(c.pixelAt(73, 154), toPixel(24, 8, 8));
    EXPECT_EQ(c.pixelAt(89, 139), toPixel(32, 8, 8));
    EXPECT_EQ(c.pixelAt(105, 139), toPixel(8, 8, 8));
    EXPECT_EQ(c.pixelAt(120, 139), 0);
    EXPECT_EQ(c.pixelAt(57, 155), 0);
    Canvas zero;
    drawCentredNumber(&zero, &digits, 0);  // a score of 0 shows no digits
    for (int i = 0; i < Canvas::kPixelCount; ++i) ASSERT_EQ(zero.buffer()[i], 0);
}

// Every step of a wipe between two screens of noise, pinned down by a hash of its frames. The
// expected value was taken from the straightforward drawing code at commit dfcbdba, before
// any of the drawing paths were sped up.
TEST(ScreenTransition, EveryStepOfAWipeKeepsItsPixels) {
    ScreenTransition t;
    uint32_t seed = 99;
    for (int i = 0; i < Canvas::kPixelCount; ++i) {
        seed = seed * 1103515245u + 12345u;
        t.fromCanvas->buffer()[i] = static_cast<uint16_t>(seed >> 16);
        t.toCanvas->buffer()[i] = static_cast<uint16_t>(seed >> 3);
    }
    Canvas out;
    uint64_t hash = testing_support::kFrameHashStart;
    do {
        t.draw(&out);
        hash = testing_support::hashPixels(out.buffer(), Canvas::kPixelCount, hash);
    } while (!t.advance());
    EXPECT_EQ(hash, 7003068496615497561ull);
}
