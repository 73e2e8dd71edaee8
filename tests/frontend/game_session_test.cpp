// The game session seam: a game is recorded whatever started it, and a score goes up with the
// record of the game that made it, never with one an earlier game left.
#include "frontend/game_app.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/random.h"
#include "record/record_codec.h"
#include "shell/entry.h"
#include "shell/message_table.h"
#include "shell/program.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/support/wav_builder.h"

namespace {

class GameSessionTest : public FrontendTest {
  protected:
    void SetUp() override {
        FrontendTest::SetUp();
        // Three empty levels: each stage is cleared at its first tick.
        testing_support::writeFile((dir / "BrickMap.dat").string(), std::vector<uint8_t>(2112));
        destroyGlobals();
        createGlobals();
    }
    static void key(uint32_t code) {
        windowProc({platform::kMsgKeyDown, code, 0});
        windowProc({platform::kMsgKeyUp, code, 0});
    }
    // A click (or tap) on the menu's first entry, New game, and everywhere else.
    static void click() {
        windowProc({platform::kMsgPointerDown, 0, platform::packPointer(88, 40)});
        windowProc({platform::kMsgPointerUp, 0, platform::packPointer(88, 40)});
    }
    // Through the three empty stages, each begun by `start` (a key or a click).
    template <typename Start>
    void clearThreeStages(Start start) {
        while (program().app->state() != VICTORY) {
            start();
            finishWipe();
            if (program().app->state() == PLAY) {
                tickStep();
                finishWipe();
            }
        }
    }
    std::vector<uint8_t> file(const char* name) const {
        return testing_support::readFile((dir / name).string());
    }
};

TEST_F(GameSessionTest, AClickStartedGameIsRecordedAndItsScoreGoesUpWithItsOwnRecord) {
    // A game begun with the keyboard whose score (0) enters no table: its record is left over.
    for (int i = 0; i < 3; ++i) {
        key(platform::kKeyAction);
        finishWipe();
    }
    ASSERT_EQ(program().app->state(), STAGE);
    clearThreeStages([] { key(platform::kKeyAction); });
    const std::vector<uint8_t> first = file("GameRecord.dat");
    ASSERT_FALSE(first.empty());
    key(platform::kKeyAction);
    finishWipe();
    ASSERT_EQ(program().app->state(), MENU);

    // The next game, begun and played with clicks alone.
    const uint32_t startState = platform::randomState;
    clearThreeStages(click);
    const std::vector<uint8_t> second = file("GameRecord.dat");
    const RecordCodec::Result read = RecordCodec::decode(second.data(), second.size());
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    ASSERT_EQ(read.record->sessions.size(), 1u);
    EXPECT_EQ(read.record->sessions[0].randomState, startState);
    EXPECT_FALSE(read.record->sessions[0].cut.has_value());
    EXPECT_EQ(read.record->sessions[0].flags & RecordSession::kContinued, 0);
    EXPECT_NE(second, first);

    // Entered under a name: the pending score's proof is this game's record.
    scoreCounter->setValue(5000);
    key(platform::kKeyAction);
    finishWipe();
    ASSERT_EQ(program().app->state(), NAME_ENTRY);
    program().app->typeCharacter(U'A');
    key(platform::kKeyLeftSoft);
    destroyGlobals();  // the table's files are written
    const std::vector<uint8_t> proofs = file("ScoreProofs.dat");
    ASSERT_GE(proofs.size(), second.size());
    EXPECT_EQ(std::vector<uint8_t>(proofs.end() - static_cast<long>(second.size()), proofs.end()),
              second);
}

}  // namespace
