// CatchUpClock: a program whose gate opens every 11 ms, in a page that wakes less often.
#include "platform/common/catch_up_clock.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

namespace {

constexpr double kGate = 11;

// The program's loop as the page runs it: it waits for its next gate or the message's arrival;
// a wait whose end has passed ends at once, else the page sleeps until `wakeAt` (at the earliest
// the wait's end) or until the message arrives, which wakes it at once.
struct Page {
    platform::CatchUpClock clock{500};
    double now = 0;
    double lastGate = 0;
    double messageAt = -1;  // the page's time a message arrives at; -1: none
    std::vector<std::string> seen;

    double programTime() const { return clock.programTime(now); }

    // One pass and its wait; returns the program's time at the gate run, -1 when none ran.
    double pass(double wakeEvery) {
        double gate = -1;
        if (messageAt >= 0 && messageAt <= programTime()) {
            seen.push_back("message");
            messageAt = -1;
        }
        if (std::floor(programTime()) - lastGate > kGate - 1) {
            lastGate = std::floor(programTime());
            gate = programTime();
            seen.push_back("gate " + std::to_string(static_cast<int>(lastGate)));
        }
        double due = lastGate + kGate;
        if (messageAt >= 0) due = std::min(due, messageAt);
        if (clock.reach(due, now)) return gate;
        double wakeAt = std::max(due, now + wakeEvery);
        if (messageAt >= 0 && messageAt < wakeAt) wakeAt = messageAt;
        now = wakeAt + 0.3;  // timers fire a little late
        clock.woke(due, now);
        return gate;
    }
};

TEST(CatchUpClock, GatesSleptThroughRunBackToBackAtTheirOwnTimes) {
    // Waking at every gate, every 55 ms (five gates) or every 200 ms, the program sees the same
    // gates at the same times of its own clock, 11 ms apart, and trails the page by less than
    // one wake.
    for (const double wakeEvery : {0.0, 55.0, 200.0}) {
        Page page;
        std::vector<double> gates;
        for (int passes = 0; gates.size() < 100; ++passes) {
            ASSERT_LT(passes, 1000) << "the program stuck short of a gate";
            const double gate = page.pass(wakeEvery);
            if (gate >= 0) gates.push_back(gate);
            ASSERT_LE(page.programTime(), page.now);
            ASSERT_LT(page.now - page.programTime(), wakeEvery + kGate + 1);
        }
        EXPECT_LT(page.now, 1100 + wakeEvery + kGate + 1);
        for (size_t i = 0; i < gates.size(); ++i) {
            EXPECT_EQ(std::floor(gates[i]), kGate * static_cast<double>(i + 1)) << wakeEvery;
        }
    }
}

TEST(CatchUpClock, AMessageComesAfterTheGatesDueBeforeItAndAStallLosesTime) {
    // The page sleeps from 0 meaning to wake at 55; a key at 30.5 wakes it at once: the program
    // runs the gates of 11 and 22 first, then hears the key, then the gate of 33.
    Page page;
    page.messageAt = 30.5;
    page.now = 0;
    for (int passes = 0; page.seen.size() < 4 && passes < 100; ++passes) page.pass(55);
    EXPECT_EQ(page.seen, (std::vector<std::string>{"gate 11", "gate 22", "message", "gate 33"}));

    // A page held up for two seconds: the program's clock trails by 500 ms at most, the gates of
    // the rest are lost.
    platform::CatchUpClock clock(500);
    EXPECT_FALSE(clock.reach(44, 40));
    clock.woke(44, 2044.5);
    EXPECT_EQ(clock.programTime(2044.5), 1544.5);
    EXPECT_TRUE(clock.reach(55, 2044.5));
    EXPECT_EQ(clock.programTime(2044.5), 1544.5);  // never back
    EXPECT_FALSE(clock.reach(2050, 2044.5));
    EXPECT_EQ(clock.programTime(2044.5), 2044.5);  // nothing due: caught up
    EXPECT_FALSE(clock.behind());
}

}  // namespace
