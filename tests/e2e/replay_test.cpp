// The real program driven by scripts: screen walks, captured frames, files and exit statuses.
#include <signal.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "assets/resource_ids.h"
#include "graphics/image.h"
#include "record/sha256.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/png_reader.h"
#include "tests/support/wav_builder.h"

namespace {
using Lines = std::vector<std::string>;

// The tick gate opens on every multiple of 11 ms, and a key pressed at t is handled after the
// pass of t: a wipe started at t enters its target on the 56th tick after t.
int wipeEnd(int t) {
    return (t / 11 + 1) * 11 + 55 * 11;
}
std::string at(int ms, const std::string& what) {
    return std::to_string(ms) + " " + what;
}

Lines statesOnly(const Lines& lines) {
    Lines out;
    for (const auto& l : lines)
        if (l.find(" state ") != std::string::npos) out.push_back(l);
    return out;
}

// The level, lives and score lines.
Lines gameState(const Lines& lines) {
    Lines out;
    for (const auto& l : lines) {
        const std::string what = l.substr(l.find(' ') + 1);
        if (what.starts_with("level ") || what.starts_with("lives ") || what.starts_with("score "))
            out.push_back(l);
    }
    return out;
}

// The w x h rectangle at (x, y) of a frame equals the rectangle at (sx, sy) of a picture.
void expectRegion(const std::vector<uint16_t>& frame, int x, int y, int w, int h, int id, int sx,
                  int sy) {
    Image picture(nullptr, id);
    ASSERT_GT(picture.width, 0);
    int differing = 0;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            differing +=
                frame[(y + r) * 176 + x + c] != picture.pixels[(sy + r) * picture.width + sx + c];
    EXPECT_EQ(differing, 0) << "region at (" << x << ", " << y << ") against picture " << id;
}

// The frame shows glyph `digit` of a digit strip (glyphs w x h, keyed on pure blue) at (x, y).
bool glyphShown(const std::vector<uint16_t>& frame, int strip, int w, int h, int x, int y,
                int digit) {
    Image digits(nullptr, strip);
    int differing = 0;
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c) {
            const uint16_t src = digits.pixels[r * digits.width + w * digit + c];
            if (src != 0x001F) differing += frame[(y + r) * 176 + x + c] != src;
        }
    return digits.width > 0 && differing == 0;
}

const char* const kToMenu = "100 press action\n800 press action\n";
}  // namespace

TEST_F(EndToEnd, TitleAboutMenu) {
    ASSERT_EQ(replay(std::string(kToMenu) + "1500 shot menu.png\n"), 0);
    EXPECT_EQ(trace(), (Lines{at(100, "state TRANSITION"), at(100, "sound Action.wav play"),
                              at(715, "state ABOUT"), at(800, "state TRANSITION"),
                              at(800, "sound Action.wav play"), at(1408, "state MENU")}));
    EXPECT_EQ(wipeEnd(100), 715);
    const auto frame = testing_support::readFramePng(path("menu.png"));
    ASSERT_EQ(frame.size(), 176u * 220u);
    expectRegion(frame, 20, 23, 140, 33, 121, 0, 0);  // Start highlighted
    expectRegion(frame, 0, 0, 176, 23, 120, 0, 0);
    expectRegion(frame, 0, 56, 176, 164, 120, 0, 56);
    EXPECT_EQ(std::filesystem::file_size(path("ScoreList.sav")), 3202u);
}

TEST_F(EndToEnd, OptionsBadgeAppearsAndDisappears) {
    ASSERT_EQ(
        replay(std::string(kToMenu) + "1500 press down\n2100 press down\n2200 press action\n"
                                      "3000 shot off.png\n3100 press action\n3200 shot on.png\n"
                                      "3300 press action\n3400 shot off-again.png\n"),
        0);
    EXPECT_EQ(statesOnly(trace()),
              (Lines{at(100, "state TRANSITION"), at(715, "state ABOUT"),
                     at(800, "state TRANSITION"), at(1408, "state MENU"),
                     at(2200, "state TRANSITION"), at(wipeEnd(2200), "state OPTIONS")}));
    // A new installation: music off, sound on.
    for (const char* shot : {"off.png", "on.png", "off-again.png"}) {
        const auto frame = testing_support::readFramePng(path(shot));
        ASSERT_EQ(frame.size(), 176u * 220u) << shot;
        const bool musicBadge = std::string(shot) == "on.png";
        if (musicBadge) {
            expectRegion(frame, 96, 60, 28, 28, 138, 0, 0);
        } else {
            expectRegion(frame, 96, 60, 28, 28, 133, 96, 60);
        }
        expectRegion(frame, 96, 88, 28, 28, 138, 0, 28);
        expectRegion(frame, 0, 60, 96, 20, 134, 0, 0);  // Music highlighted
    }
    const auto saved = testing_support::readFile(path("ScoreList.sav"));
    ASSERT_EQ(saved.size(), 3202u);
    EXPECT_EQ(saved[0], 0);  // toggled twice: off again
    EXPECT_EQ(saved[1], 1);
}

TEST_F(EndToEnd, HelpHasThreePagesThenTheMenu) {
    const int helpAt = wipeEnd(2000), page1 = wipeEnd(2800), page2 = wipeEnd(3600),
              menuAt = wipeEnd(4400);
    ASSERT_EQ(replay(std::string(kToMenu) +
                     "1500 press up\n2000 press action\n2700 shot help0.png\n"
                     "2800 press action\n3500 shot help1.png\n3600 press lsoft\n"
                     "4300 shot help2.png\n4400 press action\n5100 shot end.png\n"),
              0);
    EXPECT_EQ(
        statesOnly(trace()),
        (Lines{at(100, "state TRANSITION"), at(715, "state ABOUT"), at(800, "state TRANSITION"),
               at(1408, "state MENU"), at(2000, "state TRANSITION"), at(helpAt, "state HELP"),
               at(2800, "state TRANSITION"), at(page1, "state HELP"), at(3600, "state TRANSITION"),
               at(page2, "state HELP"), at(4400, "state TRANSITION"), at(menuAt, "state MENU")}));
    EXPECT_LT(menuAt, 5100);
    expectFrameIsPicture("help0.png", 119);
    expectFrameIsPicture("help1.png", 166);
    expectFrameIsPicture("help2.png", 165);
}

TEST_F(EndToEnd, HomeKeyAndCloseRequestEndWithStatusZero) {
    ASSERT_EQ(replay("50 press home\n"), 0);
    EXPECT_EQ(std::filesystem::file_size(path("ScoreList.sav")), 3202u);
    std::filesystem::remove(path("ScoreList.sav"));
    ASSERT_EQ(replay("50 close\n"), 0);
    EXPECT_EQ(std::filesystem::file_size(path("ScoreList.sav")), 3202u);
    EXPECT_FALSE(std::filesystem::exists(path("AutoSave.dat")));  // not in a game
}

TEST_F(EndToEnd, QuittingInPlaySavesTheGame) {
    const int stage = wipeEnd(1500);
    ASSERT_EQ(replay(std::string(kToMenu) + "1500 press action\n" + std::to_string(stage + 50) +
                     " press action\n" + std::to_string(stage + 900) + " close\n"),
              0);
    EXPECT_EQ(testing_support::readFile(path("AutoSave.dat")),
              (std::vector<uint8_t>{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
    // Level and lives are written as the game starts; its score of 0 is not.
    EXPECT_EQ(gameState(trace()), (Lines{at(1500, "level 1"), at(1500, "lives 3")}));

    // A game left on level 2 with 1 life and 340 points continues there.
    testing_support::writeFile(path("AutoSave.dat"), {2, 0, 0, 0, 1, 0, 0, 0, 0x54, 1, 0, 0});
    const int continued = wipeEnd(2100);
    ASSERT_EQ(replay(std::string(kToMenu) + "1500 press down\n2100 press action\n" +
                     std::to_string(continued + 50) + " shot stage.png\n" +
                     std::to_string(continued + 100) + " press action\n" +
                     std::to_string(wipeEnd(continued + 100) + 50) + " shot play.png\n"),
              0);
    EXPECT_EQ(gameState(trace()),
              (Lines{at(2100, "level 2"), at(2100, "lives 1"), at(2100, "score 340")}));
    const auto stageFrame = testing_support::readFramePng(path("stage.png"));
    ASSERT_EQ(stageFrame.size(), 176u * 220u);
    EXPECT_TRUE(
        glyphShown(stageFrame, resource::kBigDigits, 16, 16, (176 - 16) / 2, 139, 2));  // the big 2
    // The status line of level 2: lives 1 at x = 106 and level 2 at x = 147, score 340 at 18.
    const auto play = testing_support::readFramePng(path("play.png"));
    ASSERT_EQ(play.size(), 176u * 220u);
    auto glyphMatches = [&](int x, int digit) {
        return glyphShown(play, resource::kSmallDigits, 8, 12, x, 204, digit);
    };
    EXPECT_TRUE(glyphMatches(106, 1));
    EXPECT_TRUE(glyphMatches(147, 2));
    EXPECT_TRUE(glyphMatches(18, 3));
    EXPECT_TRUE(glyphMatches(26, 4));
    EXPECT_TRUE(glyphMatches(34, 0));
}

// Clicks walk the screens as the action key does (on the menu, a click on Start); in play the
// paddle follows the pointer at its own speed: from 70.5 to 133, centred under column 150, in
// 25 steps of 2.5 px. Leaving the frame leaves it there.
TEST_F(EndToEnd, ClicksActAndThePaddleFollowsThePointer) {
    const int stage = wipeEnd(1500);
    const int play = wipeEnd(stage + 50);
    ASSERT_EQ(replay("100 click\n800 click\n1450 pointer 88 40\n1500 click\n" +
                     at(stage + 50, "click\n") + at(play + 50, "shot before.png\n") +
                     at(play + 50, "pointer 150 120\n") + at(play + 600, "shot after.png\n") +
                     at(play + 600, "leave\n") + at(play + 900, "shot left.png\n")),
              0);
    EXPECT_EQ(
        statesOnly(trace()),
        (Lines{at(100, "state TRANSITION"), at(715, "state ABOUT"), at(800, "state TRANSITION"),
               at(1408, "state MENU"), at(1500, "state TRANSITION"), at(stage, "state STAGE"),
               at(stage + 50, "state TRANSITION"), at(play, "state PLAY")}));
    // The medium bar (rows 6..11 of the paddle sheet, 35 px, keyed on blue) at (x, 194).
    Image bars(nullptr, resource::kPaddle);
    auto paddleAt = [&](const std::string& shot, int x) {
        const auto frame = testing_support::readFramePng(path(shot));
        if (frame.size() != 176u * 220u || bars.width < 35) return false;
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 35; ++c) {
                const uint16_t src = bars.pixels[(6 + r) * bars.width + c];
                if (src != 0x001F && frame[(194 + r) * 176 + x + c] != src) return false;
            }
        return true;
    };
    EXPECT_TRUE(paddleAt("before.png", 70));  // 70.5, drawn from its whole pixel
    EXPECT_FALSE(paddleAt("before.png", 133));
    EXPECT_TRUE(paddleAt("after.png", 133));
    EXPECT_TRUE(paddleAt("left.png", 133));
}

TEST_F(EndToEnd, BadArgumentsGiveStatusTwo) {
    EXPECT_EQ(runProcess({V2_REPLAY, "--seed", "x"}), 2);
    EXPECT_EQ(runProcess({V2_REPLAY, "--until"}), 2);
    EXPECT_EQ(runProcess({V2_REPLAY, "--frobnicate"}), 2);
    EXPECT_EQ(replay("10 press sideways\n"), 2);
    EXPECT_EQ(replay("10 press action\n5 press action\n"), 2);  // time going backwards
    EXPECT_EQ(runProcess({V2_REPLAY, "--dir", dir.string(), "--script", path("missing.txt")}), 2);
}

// The game itself, headless through SDL's dummy drivers: SIGTERM and SIGINT end it in order.
TEST_F(EndToEnd, SignalsEndTheGameLikeTheHomeKey) {
    const auto game = dir / "vextorium2";
    std::filesystem::copy_file(V2_GAME, game);
    const std::vector<std::string> env = {"SDL_VIDEODRIVER=dummy", "SDL_AUDIODRIVER=dummy"};
    for (int sig : {SIGTERM, SIGINT}) {
        std::filesystem::remove(path("ScoreList.sav"));
        EXPECT_EQ(runProcess({game.string()}, env, 1500, sig), 0) << sig;
        EXPECT_EQ(std::filesystem::file_size(path("ScoreList.sav")), 3202u) << sig;
    }
}

// With a saved game on level 3 and a short level 3, the autoplayer clears it: the victory
// screen follows and the saved game is reset to a new game's values.
TEST_F(EndToEnd, AutoplayClearsTheLastLevelToVictory) {
    std::vector<uint8_t> levels(2112, 0);
    auto put = [&](int level, int row, int column, int32_t code) {
        const size_t at = 704 * (level - 1) + 44 * row + 4 * column;
        for (int i = 0; i < 4; ++i) levels[at + i] = static_cast<uint8_t>(code >> (8 * i));
    };
    for (int level = 1; level <= 3; ++level)
        for (int column = 3; column <= 7; ++column) put(level, 4, column, 10 + column % 10);
    testing_support::writeFile(path("BrickMap.dat"), levels);
    testing_support::writeFile(path("AutoSave.dat"), {3, 0, 0, 0, 1, 0, 0, 0, 0x2C, 1, 0, 0});
    ASSERT_EQ(replay(std::string(kToMenu) + "1500 press down\n2100 press action\n",
                     {"--autoplay", "--seed", "42", "--until", "600000"}),
              0);
    const Lines states = statesOnly(trace());
    ASSERT_GE(states.size(), 8u);
    EXPECT_EQ(states[4], at(2100, "state TRANSITION"));
    EXPECT_EQ(states[5], at(wipeEnd(2100), "state STAGE"));
    bool victory = false;
    for (const auto& line : states) victory = victory || line.ends_with(" state VICTORY");
    EXPECT_TRUE(victory);
    EXPECT_EQ(states.back().substr(states.back().find(' ') + 1), "state VICTORY");
    // The state lines: the saved game's values on continuing, only changes after that, and
    // level 4 in the tick that leaves for the victory screen.
    const Lines state = gameState(trace());
    ASSERT_GE(state.size(), 4u);
    EXPECT_EQ(state[0], at(2100, "level 3"));
    EXPECT_EQ(state[1], at(2100, "lives 1"));
    EXPECT_EQ(state[2], at(2100, "score 300"));
    const std::string toVictory = states[states.size() - 2];
    ASSERT_TRUE(toVictory.ends_with(" state TRANSITION"));
    const std::string victoryMs = toVictory.substr(0, toVictory.find(' '));
    int previousScore = 300;
    Lines levelLines;
    for (size_t i = 3; i < state.size(); ++i) {
        const std::string what = state[i].substr(state[i].find(' ') + 1);
        if (what.starts_with("level ")) levelLines.push_back(state[i]);
        if (what.starts_with("score ")) {
            const int score = std::stoi(what.substr(6));
            EXPECT_GT(score, previousScore) << state[i];  // written only when it changed
            previousScore = score;
        }
    }
    EXPECT_EQ(levelLines, (Lines{victoryMs + " level 4"}));
    EXPECT_EQ(testing_support::readFile(path("AutoSave.dat")),
              (std::vector<uint8_t>{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
}

// The player's settings change what is seen and heard, never the game: an autoplayed game with
// every setting changed (a pace too, which the runner leaves to the record) gives the same
// screens, levels, lives and score at the same moments as with none.
TEST_F(EndToEnd, SettingsLeaveTheGameAsItIs) {
    const std::string settings =
        "pace = 50\nlook.high_contrast = on\nlook.flash_safe = on\nsound.cues = on\n"
        "volume.music = 0\nvolume.effects = 40\npointer.sensitivity = 200\n"
        "key.left = KeyA\nkey.right = KeyD\nkey.action = ArrowLeft\npad.action = b\n";
    testing_support::writeFile(path("player.txt"),
                               std::vector<uint8_t>(settings.begin(), settings.end()));
    std::vector<std::filesystem::path> before;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) before.push_back(entry);
    const std::string script = std::string(kToMenu) + "1500 press action\n";
    const std::vector<std::string> args = {"--autoplay", "--seed", "7", "--until", "90000"};
    ASSERT_EQ(replay(script, args), 0);
    const Lines plain = trace();
    // The first game's files go: the second starts from the same directory.
    for (const auto& entry : std::filesystem::directory_iterator(dir))
        if (std::find(before.begin(), before.end(), entry.path()) == before.end())
            std::filesystem::remove_all(entry.path());
    std::vector<std::string> withSettings = args;
    withSettings.insert(withSettings.end(), {"--settings", path("player.txt")});
    ASSERT_EQ(replay(script, withSettings), 0);
    const Lines set = trace();
    ASSERT_GT(gameState(plain).size(), 3u);
    EXPECT_EQ(gameState(set), gameState(plain));
    EXPECT_EQ(statesOnly(set), statesOnly(plain));
}

// A level set that fails its checks is named in the message box with the reason, and the game
// plays the built-in set with the built-in set's files; a set that passes keeps its files in a
// folder of its own, named by its SHA-256, and leaves the built-in set's alone.
TEST_F(EndToEnd, ALevelSetThatFailsItsChecksIsNamedAndTheBuiltInSetKeepsItsFiles) {
    std::ofstream(path("text.dat"), std::ios::binary) << std::string(2112, 'A');
    ASSERT_EQ(replay(kToMenu, {"--levels", path("text.dat")}), 0);
    std::ifstream traceFile(path("trace.txt"));
    const std::string all(std::istreambuf_iterator<char>(traceFile), {});
    // "AAAA" is the cell 0x41414141, little-endian.
    EXPECT_NE(all.find("message The level set " + path("text.dat") +
                       " cannot be played (level 1, row 1, column 1: 1094795585 is no brick the "
                       "game knows). The game's own levels are played instead."),
              std::string::npos)
        << all;
    EXPECT_TRUE(std::filesystem::exists(path("ScoreList.sav")));
    EXPECT_FALSE(std::filesystem::exists(path("sets")));

    // One stone brick a level: a set. The built-in set's table is not written again.
    std::string set(2112, '\0');
    for (int level = 0; level < 3; ++level) set[4 * static_cast<size_t>(level * 16 * 11)] = 10;
    std::ofstream(path("one.dat"), std::ios::binary) << set;
    std::filesystem::remove(path("ScoreList.sav"));
    ASSERT_EQ(replay(kToMenu, {"--levels", path("one.dat")}), 0);
    EXPECT_FALSE(std::filesystem::exists(path("ScoreList.sav")));
    const std::string id =
        Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>(set.data()), set.size()));
    EXPECT_TRUE(std::filesystem::exists(path("sets/" + id + "/ScoreList.sav")));
}
