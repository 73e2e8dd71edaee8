// FrameTimer: the strict gate, no carried-over time, and the tick count's wrap-around; the
// headless back end's wait for the gate.
#include "shell/frame_timer.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless.h"
#include "platform/window.h"

namespace headless = platform::headless;

TEST(FrameTimer, OpensOnlyAfterMoreThanTheInterval) {
    headless::reset();
    headless::setNow(1000);
    FrameTimer gate(10);
    headless::setNow(1010);
    EXPECT_FALSE(gate.ready());  // exactly the interval: still closed
    headless::setNow(1011);
    EXPECT_TRUE(gate.ready());
    EXPECT_FALSE(gate.ready());  // same millisecond: a new interval has begun
    headless::setNow(1021);
    EXPECT_FALSE(gate.ready());
    headless::setNow(1022);
    EXPECT_TRUE(gate.ready());
}

TEST(FrameTimer, LongPauseOpensOnceAndIsNotCarriedOver) {
    headless::reset();
    FrameTimer gate(10);
    headless::setNow(5000);
    EXPECT_TRUE(gate.ready());
    EXPECT_FALSE(gate.ready());
    headless::setNow(5010);
    EXPECT_FALSE(gate.ready());
    headless::setNow(5011);
    EXPECT_TRUE(gate.ready());
}

TEST(FrameTimer, SurvivesTheTickCountWrapping) {
    headless::reset();
    headless::setNow(0xFFFFFFFAu);
    FrameTimer gate(10);
    headless::setNow(4);  // 10 ms later across the wrap
    EXPECT_FALSE(gate.ready());
    headless::setNow(5);  // 11 ms later
    EXPECT_TRUE(gate.ready());
}

TEST(FrameTimer, WaitingAsLongAsAskedEndsOnTheOpening) {
    headless::reset();
    // Whatever the phase, across the wrap too: after the wait the gate opens, a millisecond
    // earlier it does not.
    for (uint32_t start : {1000u, 0xFFFFFFF8u}) {
        for (uint32_t elapsed : {0u, 1u, 9u, 10u}) {
            headless::setNow(start);
            FrameTimer gate(10);
            headless::setNow(start + elapsed);
            const uint32_t wait = gate.msUntilReady();
            EXPECT_EQ(wait, 11 - elapsed) << start << " + " << elapsed;
            headless::setNow(start + elapsed + wait - 1);
            EXPECT_FALSE(gate.ready());
            headless::setNow(start + elapsed + wait);
            EXPECT_EQ(gate.msUntilReady(), 0u);
            EXPECT_TRUE(gate.ready());
            EXPECT_EQ(gate.msUntilReady(), 11u);  // opened: a whole interval and one to go
        }
    }
    // Overdue after a long pause: no wait at all.
    headless::setNow(5000);
    FrameTimer late(10);
    headless::setNow(9000);
    EXPECT_EQ(late.msUntilReady(), 0u);
}

// Below full pace the gate's milliseconds run slower: at 50 percent it opens every 22 ms, at
// 75 percent every 11 / 0.75 = 14 2/3 ms on average (15, 15, 14: the fraction is kept, never a
// whole millisecond), and its wait always ends on the opening.
TEST(FrameTimer, APaceSpreadsTheOpeningsAndKeepsTheirFraction) {
    for (const auto& [pace, openings] :
         {std::pair<uint32_t, std::vector<uint32_t>>{50, {22, 44, 66}}, {75, {15, 30, 44, 59}}}) {
        headless::reset();
        FrameTimer gate(10);
        gate.setPace(pace);
        std::vector<uint32_t> opened;
        for (uint32_t now = 0; opened.size() < openings.size(); ++now) {
            headless::setNow(now);
            const uint32_t wait = gate.msUntilReady();
            if (gate.ready()) {
                EXPECT_EQ(wait, 0u) << pace << " at " << now;
                opened.push_back(now);
            } else {
                EXPECT_EQ(now + wait, openings[opened.size()]) << pace << " at " << now;
            }
        }
        EXPECT_EQ(opened, openings) << pace;
    }
}

// The headless back end's wait: virtual time moves on as long as asked, each millisecond with
// its autoplayer turn, and stops at the first millisecond with anything for the program.
TEST(HeadlessWait, MovesTheClockOnToTheFirstMillisecondWithSomethingDue) {
    headless::reset();
    std::vector<uint32_t> turns;
    headless::setAutoInput([&turns](uint32_t now) {
        turns.push_back(now);
        if (now == 12) headless::postMessage({platform::kMsgKeyDown, platform::kKeyAction, 0});
    });
    headless::ScriptEvent up;
    up.ms = 7;
    up.kind = headless::ScriptEvent::Kind::KeyUp;
    up.value = platform::kKeyLeft;
    headless::setScript({up});
    headless::setUntil(1000);
    platform::waitForMessage(4);  // nothing due before 4: the whole wait
    EXPECT_EQ(headless::now(), 4u);
    EXPECT_EQ(turns, (std::vector<uint32_t>{0, 1, 2, 3}));
    platform::waitForMessage(100);  // the script's key-up at 7
    EXPECT_EQ(headless::now(), 7u);
    platform::Message message;
    ASSERT_TRUE(platform::takeMessage(message));
    EXPECT_EQ(message.id, platform::kMsgKeyUp);
    EXPECT_FALSE(platform::takeMessage(message));  // one millisecond on, to 8
    platform::waitForMessage(0);
    EXPECT_EQ(headless::now(), 8u);
    platform::waitForMessage(100);  // the autoplayer's key at 12
    EXPECT_EQ(headless::now(), 12u);
    ASSERT_TRUE(platform::takeMessage(message));
    EXPECT_EQ(message.id, platform::kMsgKeyDown);
    EXPECT_EQ(turns, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}));
    headless::setAutoInput({});
    headless::reset();
}
