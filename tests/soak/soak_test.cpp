// Soak test: the real program plays with the built-in player for a long stretch of virtual time
// across every level, and the invariants a player relies on are checked after every tick.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <tuple>
#include <vector>

#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/paddle.h"
#include "frontend/game_app.h"
#include "frontend/main_menu.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/window.h"
#include "shell/entry.h"
#include "shell/program.h"
#include "tests/support/playfield_access.h"
#include "tools/replay/autoplay.h"
#include "world/playfield.h"

namespace {

namespace headless = platform::headless;

constexpr uint32_t kDefaultMinutes = 30;
constexpr uint32_t kMsPerMinute = 60'000;
constexpr uint32_t kMaxMinutes = 49 * 24 * 60;  // the virtual clock is a 32-bit millisecond count
constexpr uint32_t kSeed = 20261207;
constexpr uint32_t kTickEveryMs = 11;  // both gates open at 11, 22, 33, ... ms
constexpr uint32_t kMenuKeyGapMs = 100;
// The player plays well enough to spend a whole soak on one game: after this much game time
// it gives up (steers away from the ball) so that games end and the menus are driven too.
constexpr uint32_t kGiveUpAfterMs = 4 * 60'000;
constexpr uint32_t kPlayerDecisionEveryMs = 10;  // the built-in player's rhythm
constexpr size_t kFailuresKept = 20;

constexpr Fixed kScreenWidth = px(176);
constexpr Fixed kHeldBallY = px(186);
constexpr int kCellWidthPx = 16;
constexpr int kCellHeightPx = 10;
constexpr int32_t kFirstLevel = 1;
constexpr int32_t kLastLevel = 3;
constexpr int32_t kLevelAfterLast = 4;

constexpr std::array<const char*, 7> kShippedFiles = {"BrickMap.dat", "blast.wav",    "hit.wav",
                                                      "music.wav",    "menudown.wav", "menuup.wav",
                                                      "Action.wav"};

// A whole number from the environment within 0..limit, else the fallback.
uint32_t fromEnvironment(const char* name, uint32_t fallback, unsigned long limit) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text < '0' || *text > '9') return fallback;
    char* end = nullptr;
    const unsigned long value = std::strtoul(text, &end, 10);
    if (*end != '\0' || value > limit) return fallback;
    return static_cast<uint32_t>(value);
}

void pressKey(uint32_t code) {
    headless::postMessage({platform::kMsgKeyDown, code, 0});
    headless::postMessage({platform::kMsgKeyUp, code, 0});
}

// A ball, the cell its centre lies in and the brick standing there.
using BallInBrick = std::tuple<const Ball*, int, int, const Brick*>;

class Soak {
  public:
    explicit Soak(std::string directory) : directory(std::move(directory)) {}

    // Called once per virtual millisecond, after that millisecond's loop step (so after its
    // tick, if the tick gate opened) and after the built-in player's decision.
    void step(uint32_t now) {
        if (program().app == nullptr) return;
        const uint32_t state = program().app->state();
        const Playfield& field = *program().app->playfield();
        // Keys cannot take the program out of PLAY (the soak never pauses), and a tick that
        // finishes a wipe into PLAY does not move the world: the world moved at this
        // millisecond exactly when the tick gate opened while the last look saw PLAY running.
        if (now % kTickEveryMs == 0 && lastState == PLAY && lastRunning) {
            ++ticks[static_cast<size_t>(lastLevel)];
            checkWorld(now, field);
            checkLivesAndLevel(now, field);  // also after the tick that ends a level or game
        }
        checkScore(now, state);
        if (state == PLAY || state == STAGE) checkLivesAndLevel(now, field);
        if (state == PLAY && inGame && now - gameStart >= kGiveUpAfterMs &&
            now % kPlayerDecisionEveryMs == 0)
            steerAway(field);
        if ((state == GAME_OVER || state == VICTORY) && lastState != state) ++gamesEnded;
        driveMenus(now, state);
        lastState = state;
        lastRunning = program().app->gameRunning();
        lastLevel = std::clamp(field.level(), 0, kLevelAfterLast);
    }

    std::array<uint64_t, kLevelAfterLast + 1> ticks{};
    int gamesStarted = 0;
    int gamesEnded = 0;
    uint64_t centresInBricks = 0;  // ticks on which a ball's centre lay in a present brick
    uint64_t failureCount = 0;
    std::vector<std::string> failures;

  private:
    void fail(uint32_t now, const std::string& what) {
        ++failureCount;
        if (failures.size() < kFailuresKept)
            failures.push_back(std::to_string(now) + " ms, level " + std::to_string(lastLevel) +
                               ": " + what);
    }

    // Runs the paddle away from the lowest ball. The built-in player's keys of this millisecond
    // were queued first, so this key press is the one that holds.
    void steerAway(const Playfield& field) {
        const Ball* lowest = nullptr;
        for (const Ball* ball : field.ballList())
            if (lowest == nullptr || ball->y() > lowest->y()) lowest = ball;
        if (lowest == nullptr) return;
        const Paddle& paddle = field.paddleView();
        const bool ballOnLeft = lowest->centerX() < paddle.x() + paddle.width() / 2;
        headless::postMessage(
            {platform::kMsgKeyDown, ballOnLeft ? platform::kKeyRight : platform::kKeyLeft, 0});
    }

    void checkWorld(uint32_t now, const Playfield& field) {
        const Paddle& paddle = field.paddleView();
        if (paddle.x() < 0 || paddle.right() > kScreenWidth)
            fail(now, "paddle outside the field: x " + std::to_string(paddle.x()) + ", right " +
                          std::to_string(paddle.right()));
        for (const Ball* ball : field.ballList()) {
            if (!ball->held()) continue;
            if (ball->y() != kHeldBallY)
                fail(now, "held ball not resting on the paddle: y " + std::to_string(ball->y()));
            if (ball->centerX() < paddle.x() || ball->centerX() > paddle.right())
                fail(now, "held ball off the paddle: centre " + std::to_string(ball->centerX()) +
                              ", paddle " + std::to_string(paddle.x()) + ".." +
                              std::to_string(paddle.right()));
        }
        checkBallsInBricks(now, field);
    }

    // A ball's centre may enter a present brick's cell on the tick it strikes it; on the next
    // tick it must have left it, or the brick must be gone (a Thru ball destroys what it meets).
    void checkBallsInBricks(uint32_t now, const Playfield& field) {
        PlayfieldTestAccess grid(*program().app->playfield());  // the same playfield, read only
        // Only the tick just before counts: between stints of play the world is rebuilt and
        // a new ball or brick may reuse an old one's address.
        if (now - lastWorldTick != kTickEveryMs) ballsInBricks.clear();
        lastWorldTick = now;
        std::vector<BallInBrick> inside;
        for (const Ball* ball : field.ballList()) {
            const int32_t cx = ball->centerX() >> 16;
            const int32_t cy = ball->centerY() >> 16;
            if (cx < 0 || cy < 0) continue;
            const int column = cx / kCellWidthPx;
            const int row = cy / kCellHeightPx;
            if (column >= Playfield::kColumns || row >= Playfield::kRows) continue;
            const Brick* brick = grid.brick(column, row);
            if (brick == nullptr || !brick->isPresent()) continue;
            const BallInBrick entry{ball, column, row, brick};
            ++centresInBricks;
            for (const BallInBrick& before : ballsInBricks) {
                if (before == entry) {
                    fail(now, "ball (kind " + std::to_string(ball->kind()) +
                                  ") inside the present brick (kind " +
                                  std::to_string(brick->kind()) + ") of cell " +
                                  std::to_string(column) + "," + std::to_string(row) +
                                  " for two ticks");
                }
            }
            inside.push_back(entry);
        }
        ballsInBricks = std::move(inside);
    }

    void checkLivesAndLevel(uint32_t now, const Playfield& field) {
        if (field.livesLeft() < 0) fail(now, "lives below 0: " + std::to_string(field.livesLeft()));
        const int32_t level = field.level();
        if (level < kFirstLevel || level > kLevelAfterLast)
            fail(now, "level out of range: " + std::to_string(level));
        if (level == kLevelAfterLast && !field.gameOver())
            fail(now, "level 4 while the game goes on");
    }

    // Within one game (from the menu's Start or Continue to the next screen after the game's
    // end) the score only grows.
    void checkScore(uint32_t now, uint32_t state) {
        if (state == MENU || state == NAME_ENTRY || state == SCORES) inGame = false;
        const int32_t score = scoreCounter->value();
        if (baselinePending) {
            baselinePending = false;
            inGame = true;
            gameStart = now;
        } else if (inGame && score < lastScore) {
            fail(now,
                 "score fell from " + std::to_string(lastScore) + " to " + std::to_string(score));
        }
        lastScore = score;
    }

    // Every other screen is the soak's to leave: the end screens with action, the name entry
    // with the right soft key (no name is stored), and the menu with Start or Continue in turn.
    void driveMenus(uint32_t now, uint32_t state) {
        if (now - lastMenuKey < kMenuKeyGapMs) return;
        switch (state) {
            case TITLE:
            case ABOUT:
            case SCORES:
            case GAME_OVER:
            case VICTORY:
                pressKey(platform::kKeyAction);
                break;
            case NAME_ENTRY:
                pressKey(platform::kKeyRightSoft);
                break;
            case MENU:
                chooseGame();
                break;
            default:
                return;
        }
        lastMenuKey = now;
    }

    // Games go in turns of three: a new game on level 1, then a saved game continued on
    // level 2, then one on level 3, so that every level is played whatever the player's skill.
    void chooseGame() {
        const int turn = gamesStarted % 3;
        const int32_t wanted = turn == 0 ? MainMenu::kStart : MainMenu::kContinue;
        const int32_t selection = program().app->mainMenu()->selection();
        if (selection != wanted) {
            pressKey(selection < wanted ? platform::kKeyDown : platform::kKeyUp);
            return;
        }
        if (turn != 0) writeSave(turn + 1);
        pressKey(platform::kKeyAction);
        ++gamesStarted;
        baselinePending = true;
    }

    // AutoSave.dat: level, lives and score as little-endian 32-bit values.
    void writeSave(int32_t level) {
        constexpr int32_t kSavedLives = 3;
        constexpr int32_t kSavedScore = 1000;
        std::ofstream out(directory + "AutoSave.dat", std::ios::binary | std::ios::trunc);
        for (int32_t value : {level, kSavedLives, kSavedScore}) {
            const auto bits = static_cast<uint32_t>(value);
            for (int shift = 0; shift < 32; shift += 8)
                out.put(static_cast<char>((bits >> shift) & 0xFF));
        }
    }

    std::string directory;
    uint32_t lastState = TITLE;
    bool lastRunning = true;
    int32_t lastLevel = 0;
    uint32_t lastMenuKey = 0;
    bool inGame = false;
    bool baselinePending = false;
    int32_t lastScore = 0;
    uint32_t gameStart = 0;
    std::vector<BallInBrick> ballsInBricks;
    uint32_t lastWorldTick = 0;
};

TEST(Soak, AutoplayerPlaysEveryLevelAndNoInvariantBreaks) {
    uint32_t minutes = fromEnvironment("VEXTORIUM2_SOAK_MINUTES", kDefaultMinutes, kMaxMinutes);
    if (minutes == 0) minutes = kDefaultMinutes;
    const uint32_t seed = fromEnvironment("VEXTORIUM2_SOAK_SEED", kSeed, UINT32_MAX);
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("v2-soak-" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    for (const char* name : kShippedFiles)
        std::filesystem::copy_file(std::filesystem::path(V2_BIN_DIR) / name, dir / name);

    headless::reset();
    platform::setProgramDirectory(dir.string() + "/");
    headless::setSeed(seed);
    headless::setUntil(minutes * kMsPerMinute);
    Soak soak(dir.string() + "/");
    installAutoplay([&soak](uint32_t now) { soak.step(now); });
    EXPECT_EQ(runProgram(), 0);
    // The back end keeps every trace line in memory: part of the peak memory of a long soak.
    const size_t traceLines = headless::traceLines().size();
    headless::setAutoInput({});
    headless::reset();

    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf(
        "soak: %u min of game time, seed %u, %d games started, %d ended, peak memory "
        "%ld KiB\n",
        minutes, seed, soak.gamesStarted, soak.gamesEnded, usage.ru_maxrss);
    std::printf("soak: %zu trace lines kept by the back end\n", traceLines);
    std::printf("soak: a ball's centre lay in a present brick %llu times after a tick\n",
                static_cast<unsigned long long>(soak.centresInBricks));
    for (int32_t level = kFirstLevel; level <= kLevelAfterLast; ++level)
        std::printf("soak: level %d played for %llu ticks\n", level,
                    static_cast<unsigned long long>(soak.ticks[static_cast<size_t>(level)]));

    EXPECT_EQ(soak.failureCount, 0u);
    for (const std::string& failure : soak.failures) ADD_FAILURE() << failure;
    // At least one whole turn of new game, level 2 and level 3, each to its end screen.
    EXPECT_GE(soak.gamesEnded, 3);
    for (int32_t level = kFirstLevel; level <= kLastLevel; ++level)
        EXPECT_GT(soak.ticks[static_cast<size_t>(level)], 0u) << "level " << level;
    // No tick of play happens on the level after the last: the game is over there.
    EXPECT_EQ(soak.ticks[kLevelAfterLast], 0u);
    if (!::testing::Test::HasFailure()) std::filesystem::remove_all(dir);
}

}  // namespace
