// Letterbox arithmetic for common window sizes, worked out by hand.
#include "platform/sdl/letterbox.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

void expectBox(const Letterbox& box, int scale, int x, int y, int width, int height) {
    EXPECT_EQ(box.scale, scale);
    EXPECT_EQ(box.x, x);
    EXPECT_EQ(box.y, y);
    EXPECT_EQ(box.width, width);
    EXPECT_EQ(box.height, height);
}

TEST(Letterbox, LargestWholeScaleCentred) {
    // 1920 / 176 = 10, 1080 / 220 = 4: 704 x 880, (1920 - 704) / 2 = 608, (1080 - 880) / 2 = 100.
    expectBox(fitFrame(1920, 1080), 4, 608, 100, 704, 880);
    // 1024 / 176 = 5, 768 / 220 = 3: 528 x 660 at (248, 54).
    expectBox(fitFrame(1024, 768), 3, 248, 54, 528, 660);
    // The windowed size fits 3x exactly.
    expectBox(fitFrame(528, 660), 3, 0, 0, 528, 660);
    // One pixel short of 3x in height: 2x, 352 x 440 at (88, 109).
    expectBox(fitFrame(528, 659), 2, 88, 109, 352, 440);
    // 3840 / 176 = 21, 2160 / 220 = 9: 1584 x 1980 at (1128, 90).
    expectBox(fitFrame(3840, 2160), 9, 1128, 90, 1584, 1980);
    // A portrait window limited by its width: 400 / 176 = 2.
    expectBox(fitFrame(400, 1200), 2, 24, 380, 352, 440);
}

TEST(Letterbox, WindowSmallerThanTheFrameShowsItAtOneCentred) {
    expectBox(fitFrame(176, 220), 1, 0, 0, 176, 220);
    expectBox(fitFrame(100, 100), 1, -38, -60, 176, 220);
}

TEST(Letterbox, WindowPointsToFramePixels) {
    int x = -1;
    int y = -1;
    // 3x at (248, 54): the frame spans 248..775 across and 54..713 down.
    const Letterbox box = fitFrame(1024, 768);
    ASSERT_TRUE(frameAt(box, 248, 54, x, y));
    EXPECT_EQ(x * 1000 + y, 0);
    ASSERT_TRUE(frameAt(box, 775, 713, x, y));
    EXPECT_EQ(x * 1000 + y, 175219);
    ASSERT_TRUE(frameAt(box, 250, 57, x, y));
    EXPECT_EQ(x * 1000 + y, 1);
    EXPECT_FALSE(frameAt(box, 247, 300, x, y));
    EXPECT_FALSE(frameAt(box, 776, 300, x, y));
    EXPECT_FALSE(frameAt(box, 300, 53, x, y));
    EXPECT_FALSE(frameAt(box, 300, 714, x, y));
    EXPECT_EQ(x * 1000 + y, 1);  // untouched by a miss
    // A window smaller than the frame shows its middle: the window's corner is frame (38, 60).
    ASSERT_TRUE(frameAt(fitFrame(100, 100), 0, 0, x, y));
    EXPECT_EQ(x * 1000 + y, 38060);
}

}  // namespace
}  // namespace platform
