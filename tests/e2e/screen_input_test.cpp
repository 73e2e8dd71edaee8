// The real program driven by scripts: how keys, typing and the pointer meet the screens.
#include <stdlib.h>

#include <algorithm>
#include <string>
#include <vector>

#include "assets/resource_ids.h"
#include "graphics/image.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/png_reader.h"
#include "tests/support/wav_builder.h"

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
const std::string kToScores =
    "100 press action\n800 press action\n1500 press up\n"
    "1600 press up\n1700 press action\n";
}  // namespace

// Keys pressed while the exchange holds the program up (here: in the same millisecond as the
// soft key, the exchange taking no virtual time) are dropped; the next key counts again.
TEST_F(EndToEnd, KeysWaitingThroughTheExchangeAreDropped) {
    const int scores = wipeEnd(1700);
    ::setenv("VEXTORIUM2_SCORE_HOST", "127.0.0.1:1", 1);  // nothing listens: refused at once
    std::string waiting;
    for (int i = 0; i < 17; ++i) waiting += at(scores + 100, "press down");
    ASSERT_EQ(
        replay(kToScores + at(scores + 100, "press lsoft") + waiting + at(scores + 100, "type A") +
               at(scores + 400, "press down") + at(scores + 500, "shot exchanged.png")),
        0);
    EXPECT_EQ(linesWith(trace(), "http GET"),
              (Lines{std::to_string(scores + 100) +
                     " http GET http://127.0.0.1:1/Vextorium2/updateScore.php"}));
    ASSERT_EQ(
        replay(kToScores + at(scores + 400, "press down") + at(scores + 500, "shot scrolled.png")),
        0);
    ::unsetenv("VEXTORIUM2_SCORE_HOST");
    // Scrolled by the one later key alone.
    const auto exchanged = testing_support::readFramePng(path("exchanged.png"));
    ASSERT_EQ(exchanged.size(), 176u * 220u);
    EXPECT_EQ(exchanged, testing_support::readFramePng(path("scrolled.png")));
}

// On the menu, the options and the scores the pointer lights up the entry under it and a click
// chooses that entry or soft key; a click on nothing does nothing. The menu's entries are bands
// of 33 rows from y = 23 (Start, Continue, Options, High Score, Help), the options' labels 20
// rows high at y = 60, 96, 136 and (from x = 72) 180, the soft keys' labels in the bottom
// corners.
TEST_F(EndToEnd, MenusTakeThePointerWhereItIs) {
    // Hovering over Help lights it as one press of up from Start does.
    ASSERT_EQ(replay("100 press action\n800 press action\n1500 pointer 88 160\n"
                     "1600 shot hover.png\n"),
              0);
    ASSERT_EQ(replay("100 press action\n800 press action\n1500 press up\n1600 shot key.png\n"), 0);
    const auto hover = testing_support::readFramePng(path("hover.png"));
    ASSERT_EQ(hover.size(), 176u * 220u);
    EXPECT_EQ(hover, testing_support::readFramePng(path("key.png")));

    // Nothing under the click, then Options; in the options Sound FX (switched off), Main Menu;
    // High Score, then the scores' BACK label.
    const int options = wipeEnd(1700), menu = wipeEnd(options + 200), scores = wipeEnd(menu + 100);
    ASSERT_EQ(replay("100 press action\n800 press action\n1500 pointer 3 4\n1500 click\n"
                     "1600 pointer 160 200\n1600 click\n"  // no label in that corner: nothing
                     "1700 pointer 88 100\n1700 click\n" +
                     at(options + 100, "pointer 20 100") + at(options + 100, "click") +
                     at(options + 200, "pointer 100 185") + at(options + 200, "click") +
                     at(menu + 100, "pointer 88 130") + at(menu + 100, "click") +
                     at(scores + 100, "pointer 150 210") + at(scores + 100, "click") +
                     at(wipeEnd(scores + 100) + 10, "shot end.png")),
              0);
    EXPECT_EQ(
        linesWith(trace(), " state "),
        (Lines{"100 state TRANSITION", "715 state ABOUT", "800 state TRANSITION", "1408 state MENU",
               "1700 state TRANSITION", std::to_string(options) + " state OPTIONS",
               std::to_string(options + 200) + " state TRANSITION",
               std::to_string(menu) + " state MENU",
               std::to_string(menu + 100) + " state TRANSITION",
               std::to_string(scores) + " state SCORES",
               std::to_string(scores + 100) + " state TRANSITION",
               std::to_string(wipeEnd(scores + 100)) + " state MENU"}));
    const auto saved = testing_support::readFile(path("ScoreList.sav"));
    ASSERT_EQ(saved.size(), 3202u);
    EXPECT_EQ(saved[1], 0);  // sound effects: switched off by the one click on them
}

// A pointer left resting on the menu aims nothing in play: the paddle stays where a game
// without any pointer has it.
TEST_F(EndToEnd, APointerLeftOnTheMenuDoesNotSteer) {
    const int stage = wipeEnd(1500), play = wipeEnd(stage + 50);
    const std::string toMenu = "100 press action\n800 press action\n";
    const std::string game =
        "1500 press action\n" + at(stage + 50, "press action") + at(play + 600, "shot play.png");
    ASSERT_EQ(replay("50 pointer 5 5\n" + toMenu + "1450 pointer 10 210\n" + game, {"--seed", "7"}),
              0);
    const auto resting = testing_support::readFramePng(path("play.png"));
    ASSERT_EQ(replay(toMenu + game, {"--seed", "7"}), 0);
    ASSERT_EQ(resting.size(), 176u * 220u);
    EXPECT_EQ(resting, testing_support::readFramePng(path("play.png")));
}

// With a touch screen the title says "TAP" (rows 114..125, the variants sheet's first band);
// the web edition says so on its last line (rows 203..214, the second band). Every other row is
// the desktop's picture, which the desktop program shows whole.
TEST_F(EndToEnd, TouchAndWebTitlesChangeOnlyTheirLines) {
    Image title(nullptr, resource::kTitle);
    Image sheet(nullptr, resource::kScreenVariants);
    ASSERT_EQ(title.width, 176);
    ASSERT_EQ(sheet.width, 176);
    auto rowsMatch = [](const std::vector<uint16_t>& frame, int y, const Image& picture,
                        int pictureY, int rows) {
        return std::equal(frame.begin() + y * 176, frame.begin() + (y + rows) * 176,
                          picture.pixels + pictureY * 176);
    };
    const struct {
        std::vector<std::string> args;
        bool tap, web;
    } cases[] = {{{"--touch", "--web"}, true, true}, {{"--web"}, false, true}, {{}, false, false}};
    for (const auto& c : cases) {
        ASSERT_EQ(replay("50 shot title.png\n", c.args), 0);
        const auto frame = testing_support::readFramePng(path("title.png"));
        ASSERT_EQ(frame.size(), 176u * 220u);
        EXPECT_TRUE(rowsMatch(frame, 0, title, 0, 114));
        EXPECT_TRUE(rowsMatch(frame, 114, c.tap ? sheet : title, c.tap ? 0 : 114, 12)) << c.tap;
        EXPECT_TRUE(rowsMatch(frame, 126, title, 126, 203 - 126));
        EXPECT_TRUE(rowsMatch(frame, 203, c.web ? sheet : title, c.web ? 12 : 203, 12)) << c.web;
        EXPECT_TRUE(rowsMatch(frame, 215, title, 215, 5));
        // The bands do say something else.
        EXPECT_EQ(rowsMatch(frame, 114, title, 114, 12), !c.tap);
        EXPECT_EQ(rowsMatch(frame, 203, title, 203, 12), !c.web);
    }
}
