// FrameTimer: the strict gate, no carried-over time, and the tick count's wrap-around.
#include "shell/frame_timer.h"

#include <gtest/gtest.h>

#include "platform/headless/headless.h"

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
