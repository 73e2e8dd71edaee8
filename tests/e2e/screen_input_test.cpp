// The real program driven by scripts: how keys, typing and the pointer meet the screens.
#include <stdlib.h>

#include <string>
#include <vector>

#include "tests/e2e/e2e_fixture.h"
#include "tests/support/png_reader.h"

namespace {
using Lines = std::vector<std::string>;

// A key or click at t is handled after the pass of t; its wipe ends 56 ticks (of 11 ms) later.
int wipeEnd(int t) {
    return (t / 11 + 1) * 11 + 55 * 11;
}
std::string at(int ms, const std::string& what) {
    return std::to_string(ms) + " " + what + "\n";
}
Lines linesWith(const Lines& lines, const std::string& what) {
    Lines out;
    for (const auto& l : lines)
        if (l.find(what) != std::string::npos) out.push_back(l);
    return out;
}

// Title, credits, then up twice in the menu (Start, Help, High Score) and into the scores.
const std::string kToScores = "100 press action\n800 press action\n1500 press up\n"
                              "1600 press up\n1700 press action\n";
}  // namespace

// Keys pressed while the exchange holds the program up (here: in the same millisecond as the
// soft key, the exchange taking no virtual time) are dropped; the next key counts again.
TEST_F(EndToEnd, KeysWaitingThroughTheExchangeAreDropped) {
    const int scores = wipeEnd(1700);
    ::setenv("VEXTORIUM2_SCORE_HOST", "127.0.0.1:1", 1);  // nothing listens: refused at once
    std::string waiting;
    for (int i = 0; i < 17; ++i) waiting += at(scores + 100, "press down");
    ASSERT_EQ(replay(kToScores + at(scores + 100, "press lsoft") + waiting +
                     at(scores + 100, "type A") + at(scores + 400, "press down") +
                     at(scores + 500, "shot exchanged.png")),
              0);
    EXPECT_EQ(linesWith(trace(), "http GET"),
              (Lines{std::to_string(scores + 100) +
                     " http GET http://127.0.0.1:1/Vextorium2/updateScore.php"}));
    ASSERT_EQ(replay(kToScores + at(scores + 400, "press down") +
                     at(scores + 500, "shot scrolled.png")),
              0);
    ::unsetenv("VEXTORIUM2_SCORE_HOST");
    // Scrolled by the one later key alone.
    const auto exchanged = testing_support::readFramePng(path("exchanged.png"));
    ASSERT_EQ(exchanged.size(), 176u * 220u);
    EXPECT_EQ(exchanged, testing_support::readFramePng(path("scrolled.png")));
}
