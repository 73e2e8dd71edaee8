// The settings screen in the running program: it pauses a game in play as a lost window does,
// and no key pressed on it, nor its release, reaches the game.
#include "frontend/game_session.h"
#include "shell/entry.h"
#include "shell/message_table.h"
#include "shell/player_settings.h"
#include "shell/program.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/support/wav_builder.h"

namespace {

// What the game's record hears of: keys, releases and lost windows.
struct Heard final : GameSessionListener {
    void gameBegan(const SessionStart&) override {}
    void keyPressed(uint32_t keyCode) override { keys.push_back(keyCode); }
    void keyReleased() override { ++releases; }
    void windowLost() override { ++windowsLost; }
    void ticked() override {}
    void drewWithLuck() override {}
    void gameSaved(const GameValues&) override {}
    std::string gameEnded() override { return {}; }
    std::vector<uint32_t> keys;
    int releases = 0;
    int windowsLost = 0;
};

class SettingsScreenInPlay : public FrontendTest {
  protected:
    void SetUp() override {
        FrontendTest::SetUp();
        std::vector<uint8_t> map(2112, 0);
        map[0] = 10;  // one stone brick keeps level 1 in play
        testing_support::writeFile((dir / "BrickMap.dat").string(), map);
        destroyGlobals();
        createGlobals();
        startPlayerSettings();
        for (int i = 0; i < 4; ++i) {  // title, about, menu (on Start), stage
            key(platform::kMsgKeyDown, platform::kKeyAction);
            key(platform::kMsgKeyUp, platform::kKeyAction);
            finishWipe();
        }
        ASSERT_EQ(program().app->state(), PLAY);
        program().app->setSessionListener(&heard);
    }
    void TearDown() override {
        program().app->setSessionListener(nullptr);
        closeSettingsScreen();
        FrontendTest::TearDown();
    }
    static void key(uint32_t id, uint32_t code) { windowProc({id, code, 0}); }
    static void settingsKey() { windowProc({platform::kMsgSettings, 0, 0}); }
    Heard heard;
};

TEST_F(SettingsScreenInPlay, PausesTheGameAndKeepsItsKeys) {
    settingsKey();
    ASSERT_TRUE(settingsScreenOpen());
    EXPECT_FALSE(program().app->gameRunning());  // paused, as by a lost window
    EXPECT_EQ(heard.windowsLost, 1);             // which the record holds

    // Left on the screen (its first row, the pace, which stays while a game is in play), then
    // home: the screen closes, the program runs on, the game stays paused.
    key(platform::kMsgKeyDown, platform::kKeyLeft);
    key(platform::kMsgKeyDown, platform::kKeyLeft);  // held: the keyboard repeats it
    key(platform::kMsgKeyDown, platform::kKeyHome);
    EXPECT_FALSE(settingsScreenOpen());
    EXPECT_TRUE(program().running);
    key(platform::kMsgKeyUp, platform::kKeyHome);
    EXPECT_EQ(program().app->state(), PLAY);
    EXPECT_FALSE(program().app->gameRunning());

    // Opened on a paused game it leaves it paused, and loses no window.
    settingsKey();
    EXPECT_FALSE(program().app->gameRunning());
    settingsKey();
    EXPECT_FALSE(settingsScreenOpen());
    EXPECT_EQ(heard.windowsLost, 1);

    // Play resumes with the pause key, the first key play hears; the left key pressed on the
    // screen and still held never reached it, and its release is the screen's too.
    key(platform::kMsgKeyDown, platform::kKeyLeftSoft);
    key(platform::kMsgKeyUp, platform::kKeyLeftSoft);
    EXPECT_TRUE(program().app->gameRunning());
    key(platform::kMsgKeyUp, platform::kKeyLeft);
    EXPECT_EQ(heard.keys, std::vector<uint32_t>{platform::kKeyLeftSoft});
    EXPECT_EQ(heard.releases, 1);
    // Pressed again in play, it is play's, release and all.
    key(platform::kMsgKeyDown, platform::kKeyLeft);
    key(platform::kMsgKeyUp, platform::kKeyLeft);
    EXPECT_EQ(heard.keys, (std::vector<uint32_t>{platform::kKeyLeftSoft, platform::kKeyLeft}));
    EXPECT_EQ(heard.releases, 2);
}

}  // namespace
