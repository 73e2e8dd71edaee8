// Pointer steering through the real key handling: the paddle moves 0.25 px per time unit, so
// 2.5 px per tick of 10, and starts centred at 70.5 + 35 / 2 = 88.
#include "frontend/pointer_steering.h"

#include "entities/paddle.h"
#include "shell/entry.h"
#include "shell/message_table.h"
#include "shell/program.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/support/wav_builder.h"
#include "world/playfield.h"

namespace {

class PointerSteeringTest : public FrontendTest {
  protected:
    void SetUp() override {
        FrontendTest::SetUp();
        // One stone brick keeps level 1 in play.
        std::vector<uint8_t> map(2112, 0);
        map[0] = 10;
        testing_support::writeFile((dir / "BrickMap.dat").string(), map);
        destroyGlobals();
        createGlobals();
        // Title, about, menu (on Start), stage: each passed by a click.
        for (int i = 0; i < 4; ++i) {
            pointer(platform::kMsgPointerDown, 88, 40);
            pointer(platform::kMsgPointerUp, 88, 40);
            finishWipe();
        }
        ASSERT_EQ(program().app->state(), PLAY);
    }

    static void pointer(uint32_t id, int x, int y = 100) {
        windowProc({id, 0, platform::packPointer(x, y)});
    }
    static void key(uint32_t id, uint32_t code) { windowProc({id, code, 0}); }
    // As the main loop: each tick, then the steering's look at the paddle.
    static void ticks(int n) {
        for (int i = 0; i < n; ++i) {
            program().app->tick(10);
            handleSteeringKeys(program().steering->steer(*program().app, 10));
        }
    }
    static const Paddle& paddle() { return program().app->playfield()->paddleView(); }
    static double centre() { return (paddle().x() + paddle().width() / 2) / 65536.0; }
    static uint32_t held() { return program().steering->heldKey(); }
};

TEST_F(PointerSteeringTest, HoldsTheKeyTowardThePointerUntilThePaddleIsWithinHalfAStep) {
    ticks(10);  // no pointer: no key
    EXPECT_EQ(centre(), 88);
    EXPECT_EQ(held(), 0u);

    // Aimed at the middle of column 150: 62.5 px, 25 steps, the first tick only presses.
    pointer(platform::kMsgPointerMove, 150);
    ticks(1);
    EXPECT_EQ(centre(), 88);
    EXPECT_EQ(held(), platform::kKeyRight);
    ticks(24);
    EXPECT_EQ(centre(), 148);
    EXPECT_EQ(held(), platform::kKeyRight);
    ticks(1);
    EXPECT_EQ(centre(), 150.5);
    EXPECT_EQ(held(), 0u);
    EXPECT_EQ(paddle().vx(), 0);

    // 1 px away is within half a step: no move. 2 px away: one step, then 0.5 px past it.
    pointer(platform::kMsgPointerMove, 151);
    ticks(3);
    EXPECT_EQ(centre(), 150.5);
    pointer(platform::kMsgPointerMove, 152);
    ticks(3);
    EXPECT_EQ(centre(), 153);
    EXPECT_EQ(held(), 0u);

    // Beyond the paddle's reach: it stops at the wall (centre 176 - 17.5) and the key is let go
    // rather than pressed again and again.
    pointer(platform::kMsgPointerMove, 175);
    ticks(8);
    EXPECT_EQ(centre(), 158.5);
    EXPECT_EQ(held(), 0u);

    // Leaving the frame lets go at once.
    pointer(platform::kMsgPointerMove, 20);
    ticks(3);
    EXPECT_EQ(centre(), 153.5);
    EXPECT_EQ(held(), platform::kKeyLeft);
    pointer(platform::kMsgPointerLeave, 0, 0);
    EXPECT_EQ(held(), 0u);
    ticks(5);
    EXPECT_EQ(centre(), 153.5);
}

TEST_F(PointerSteeringTest, RealKeysTakeOverAndClicksOrPausesDoNotLeaveTheKeyStuck) {
    pointer(platform::kMsgPointerMove, 20);
    ticks(3);
    EXPECT_EQ(centre(), 83);

    // A real right key moves the paddle away from the pointer, unopposed, until the pointer
    // moves again.
    key(platform::kMsgKeyDown, platform::kKeyRight);
    EXPECT_EQ(held(), 0u);
    ticks(4);
    EXPECT_EQ(centre(), 93);
    key(platform::kMsgKeyUp, platform::kKeyRight);
    ticks(2);
    EXPECT_EQ(centre(), 93);
    pointer(platform::kMsgPointerMove, 20);
    ticks(3);
    EXPECT_EQ(centre(), 88);

    // A click is the action key (the held ball is launched); its release would stop the
    // paddle, so steering presses its key again at once.
    const size_t heldBalls = paddle().heldBalls().size();
    pointer(platform::kMsgPointerDown, 20);
    pointer(platform::kMsgPointerUp, 20);
    EXPECT_LT(paddle().heldBalls().size(), heldBalls);
    EXPECT_LT(paddle().vx(), 0);
    ticks(2);
    EXPECT_EQ(centre(), 83);

    // A pause lets go; play again steers again.
    key(platform::kMsgKeyDown, platform::kKeyLeftSoft);
    key(platform::kMsgKeyUp, platform::kKeyLeftSoft);
    ticks(1);
    EXPECT_EQ(held(), 0u);
    key(platform::kMsgKeyDown, platform::kKeyLeftSoft);
    key(platform::kMsgKeyUp, platform::kKeyLeftSoft);
    ticks(3);
    EXPECT_EQ(held(), platform::kKeyLeft);
    EXPECT_EQ(centre(), 78);
}

// The sensitivity scales the pointer's distance from the frame's centre (88): at 200% column 119
// aims at 88 + 2 * 31 = 150, as column 150 does at 100%; at 50% the right edge (175) aims only at
// 88 + 87 / 2 = 131, where the paddle stops within half a step (2.5 px) of 131.5: at 130.5.
TEST_F(PointerSteeringTest, SensitivityScalesTheAimFromTheCentre) {
    program().steering->setSensitivity(200);
    pointer(platform::kMsgPointerMove, 119);
    ticks(30);
    EXPECT_EQ(centre(), 150.5);
    program().steering->setSensitivity(50);
    pointer(platform::kMsgPointerMove, 175);
    ticks(30);
    EXPECT_EQ(centre(), 130.5);
    EXPECT_EQ(held(), 0u);
}

}  // namespace
