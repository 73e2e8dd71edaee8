// FrameTimer: the strict gate, no carried-over time, and the tick count's wrap-around; the
// headless back end letting the main loop's idle passes go by.
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
    EXPECT_EQ(gate.msUntilReady(), 11u);
    headless::setNow(4);  // 10 ms later across the wrap
    EXPECT_EQ(gate.msUntilReady(), 1u);
    EXPECT_FALSE(gate.ready());
    headless::setNow(5);  // 11 ms later
    EXPECT_EQ(gate.msUntilReady(), 0u);
    headless::setNow(900);  // long overdue
    EXPECT_EQ(gate.msUntilReady(), 0u);
    EXPECT_TRUE(gate.ready());
}

// The main loop's idle hint: the milliseconds it covers pass inside one takeMessage call, each
// with its autoplayer turn and script events, and the first message returns at its own
// millisecond with the hint forgotten.
TEST(IdlePasses, PassInsideTakeMessageUntilTheFirstMessage) {
    headless::reset();
    std::vector<uint32_t> turns;
    headless::setAutoInput([&turns](uint32_t now) { turns.push_back(now); });
    headless::ScriptEvent up;
    up.ms = 7;
    up.kind = headless::ScriptEvent::Kind::KeyUp;
    up.value = platform::kKeyLeft;
    headless::setScript({up});
    headless::setUntil(1000);
    platform::Message message;
    platform::nothingDueFor(4);  // passes at 1, 2 and 3 would do nothing; 4 runs
    EXPECT_FALSE(platform::takeMessage(message));
    EXPECT_EQ(headless::now(), 4u);
    EXPECT_EQ(turns, (std::vector<uint32_t>{0, 1, 2, 3}));
    platform::nothingDueFor(100);
    ASSERT_TRUE(platform::takeMessage(message));
    EXPECT_EQ(headless::now(), 7u);
    EXPECT_EQ(message.id, platform::kMsgKeyUp);
    EXPECT_FALSE(platform::takeMessage(message));  // the hint is gone: one millisecond
    EXPECT_EQ(headless::now(), 8u);
    EXPECT_FALSE(platform::takeMessage(message));  // no hint: one millisecond per call
    EXPECT_EQ(headless::now(), 9u);
    headless::setAutoInput({});
    headless::reset();
}
