// GameApp: the screen walk, keys by state, the wipe's timing, pause, mute and saving on exit.
#include "frontend/game_app.h"

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "assets/resource_ids.h"
#include "frontend/help_screen.h"
#include "frontend/main_menu.h"
#include "frontend/name_entry.h"
#include "frontend/options_screen.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "scores/score_table.h"
#include "shell/entry.h"
#include "shell/message_table.h"
#include "shell/program.h"
#include "tests/frontend/frontend_fixture.h"
#include "tests/support/wav_builder.h"
#include "world/playfield.h"

namespace {
using Lines = std::vector<std::string>;

platform::Message key(uint32_t code, uint32_t id = platform::kMsgKeyDown) {
    return {id, code, 0};
}
}  // namespace

TEST_F(FrontendTest, TitleAboutMenuThroughFiftySixTickWipes) {
    EXPECT_EQ(program().app->state(), TITLE);
    program().app->pressAction();
    EXPECT_EQ(program().app->state(), TRANSITION);
    EXPECT_EQ(program().app->transition()->target, ABOUT);
    for (int i = 0; i < 55; ++i) program().app->tick(10);
    EXPECT_EQ(program().app->state(), TRANSITION);  // 55 ticks: still wiping
    program().app->tick(10);
    EXPECT_EQ(program().app->state(), ABOUT);
    program().app->pressLeftSoft();  // the left soft key acts as action here
    finishWipe();
    EXPECT_EQ(program().app->state(), MENU);
    program().app->draw();
    EXPECT_EQ(program().app->canvas()->pixelAt(0, 0), screenColour(resource::kMenu));
    EXPECT_EQ(program().app->canvas()->pixelAt(20, 23),
              screenColour(resource::kMenuHighlights));  // Start highlighted
}

TEST_F(FrontendTest, KeysDuringAWipeOnlySound) {
    soundOn = true;
    program().app->pressAction();
    const size_t before = traceSize();
    program().app->pressUp();
    program().app->pressDown();
    program().app->pressAction();
    program().app->pressLeftSoft();
    program().app->pressRightSoft();
    program().app->pressLeft();
    EXPECT_EQ(program().app->state(), TRANSITION);
    EXPECT_EQ(program().app->transition()->target, ABOUT);
    EXPECT_EQ(traceFrom(before), (Lines{"sound menuup.wav play", "sound menudown.wav play"}));
}

TEST_F(FrontendTest, MenuEntriesLeadToTheirScreens) {
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), MENU);
    program().app->pressUp();  // up from Start wraps to Help
    EXPECT_EQ(program().app->mainMenu()->selection(), 4);
    program().app->pressDown();
    EXPECT_EQ(program().app->mainMenu()->selection(), 0);

    // Help: two page turns, then back to the menu with the page reset.
    for (int i = 0; i < 4; ++i) program().app->pressDown();
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), HELP);
    for (int page = 1; page <= 2; ++page) {
        program().app->pressAction();
        EXPECT_EQ(program().app->transition()->target, HELP);
        finishWipe();
        EXPECT_EQ(program().app->helpScreen()->page(), page);
        program().app->draw();
        EXPECT_EQ(program().app->canvas()->pixelAt(50, 50),
                  screenColour(page == 1 ? resource::kBrickHelp : resource::kItemHelp));
    }
    program().app->pressAction();
    finishWipe();
    EXPECT_EQ(program().app->state(), MENU);
    EXPECT_EQ(program().app->helpScreen()->page(), 0);

    // High Score, then back with the right soft key.
    program().app->pressUp();
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), SCORES);
    program().app->pressRightSoft();
    finishWipe();
    EXPECT_EQ(program().app->state(), MENU);
}

TEST_F(FrontendTest, OptionsToggleTheSwitchesAndTheirBadges) {
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    program().app->pressDown();
    program().app->pressDown();
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), OPTIONS);
    musicOn = false;
    program().app->pressAction();  // Music
    EXPECT_TRUE(musicOn);
    EXPECT_EQ(program().app->state(), OPTIONS);
    program().app->draw();
    EXPECT_EQ(program().app->canvas()->pixelAt(96, 60), screenColour(resource::kOptionBadges));
    program().app->pressAction();
    EXPECT_FALSE(musicOn);
    program().app->draw();
    EXPECT_EQ(program().app->canvas()->pixelAt(96, 60),
              screenColour(resource::kOptions));  // off is the background
    EXPECT_EQ(program().app->canvas()->pixelAt(0, 60),
              screenColour(resource::kOptionLabels));  // Music highlighted

    program().app->pressUp();  // up from Music wraps to Main Menu
    EXPECT_EQ(program().app->optionsScreen()->selection(), 3);
    program().app->draw();
    EXPECT_EQ(program().app->canvas()->pixelAt(72, 180), screenColour(resource::kOptionLabels));
    EXPECT_EQ(program().app->canvas()->pixelAt(0, 60), screenColour(resource::kOptions));
    program().app->pressAction();
    finishWipe();
    EXPECT_EQ(program().app->state(), MENU);
}

TEST_F(FrontendTest, StageShowsTheLevelCentredAndPlayPauses) {
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();  // Start
    finishWipe();
    ASSERT_EQ(program().app->state(), STAGE);
    program().app->draw();
    // Level 1: one big digit at x = (176 - 16) / 2 = 80, y = 139; its first column is keyed.
    EXPECT_EQ(program().app->canvas()->pixelAt(80, 139), screenColour(resource::kStage));
    EXPECT_EQ(program().app->canvas()->pixelAt(81, 139), toPixel(16, 8, 8));
    EXPECT_EQ(program().app->canvas()->pixelAt(96, 139), screenColour(resource::kStage));
    program().app->pressLeftSoft();  // as action: start the level
    finishWipe();
    ASSERT_EQ(program().app->state(), PLAY);
    // Deactivating the window pauses; the pause picture shows; deactivating again un-pauses.
    windowProc({platform::kMsgActivate, 0, 0});
    EXPECT_FALSE(program().active);
    EXPECT_FALSE(program().app->gameRunning());
    program().app->draw();
    EXPECT_EQ(program().app->canvas()->pixelAt(88, 100), screenColour(resource::kPause));
    windowProc({platform::kMsgActivate, 1, 0});
    EXPECT_TRUE(program().active);
    EXPECT_FALSE(program().app->gameRunning());  // reactivation changes only program().active
    windowProc({platform::kMsgActivate, 2, 0});  // activated by a click: nothing
    EXPECT_FALSE(program().app->gameRunning());
    program().app->pressLeftSoft();
    EXPECT_TRUE(program().app->gameRunning());
}

TEST_F(FrontendTest, MusicIsQueuedAtStartResumedByTheStageAndMuted) {
    musicOn = true;
    soundOn = true;
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    size_t mark = traceSize();
    program().app->pressAction();  // Start: the music is queued and paused at once
    EXPECT_EQ(traceFrom(mark), (Lines{"sound music.wav play", "sound music.wav pause",
                                      "state TRANSITION", "sound Action.wav play"}));
    finishWipe();
    mark = traceSize();
    program().app->pressAction();  // the stage begins: the music resumes
    EXPECT_EQ(traceFrom(mark),
              (Lines{"sound music.wav resume", "state TRANSITION", "sound Action.wav play"}));
    finishWipe();
    mark = traceSize();
    program().app->pressUp();  // in play, up only sounds
    program().app->pressRightSoft();
    EXPECT_TRUE(muted);
    program().app->pressDown();  // muted: no effect sounds
    program().app->pressRightSoft();
    EXPECT_FALSE(muted);
    EXPECT_EQ(program().app->state(), PLAY);
    EXPECT_EQ(traceFrom(mark),
              (Lines{"sound menuup.wav play", "sound music.wav pause", "sound music.wav resume"}));
}

TEST_F(FrontendTest, MessageTableRoutesKeysAndIgnoresOthers) {
    windowProc(key(0x41));  // 'A': not in the table
    EXPECT_EQ(program().app->state(), TITLE);
    EXPECT_EQ(windowProc({0x0010, 0, 0}), 0);  // unknown message: default handling
    windowProc(key(platform::kKeyAction));
    EXPECT_EQ(program().app->state(), TRANSITION);
    finishWipe();
    windowProc(key(platform::kKeyAction, platform::kMsgKeyUp));  // releases change nothing here
    EXPECT_EQ(program().app->state(), ABOUT);
    windowProc(key(platform::kKeyHome));
    EXPECT_FALSE(program().running);
}

TEST_F(FrontendTest, HomeDuringAWipeIntoTheStageSavesTheGame) {
    const auto save = dir / "AutoSave.dat";
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    program().app->saveOnExit();  // in the menu: nothing written
    EXPECT_FALSE(std::filesystem::exists(save));
    program().app->pressAction();  // Start: a wipe towards STAGE
    ASSERT_EQ(program().app->state(), TRANSITION);
    program().app->saveOnExit();
    ASSERT_TRUE(std::filesystem::exists(save));
    std::ifstream in(save, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    EXPECT_EQ(bytes, (std::vector<char>{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
}

// The page's "Play on" takes up a game saved, even one saved with a new game's values, and
// nothing else: no file, or the empty one Continue leaves where there was none, is no game, and
// looking leaves the title as it was and creates no file.
TEST_F(FrontendTest, PlayOnTakesUpOnlyAGameSaved) {
    const auto save = dir / "AutoSave.dat";
    EXPECT_FALSE(program().app->chooseContinue());
    EXPECT_EQ(program().app->state(), TITLE);
    EXPECT_FALSE(std::filesystem::exists(save));
    testing_support::writeFile(save.string(), {});
    EXPECT_FALSE(program().app->chooseContinue());
    EXPECT_EQ(program().app->state(), TITLE);

    testing_support::writeFile(save.string(), {1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_TRUE(program().app->chooseContinue());
    testing_support::writeFile(save.string(), {2, 0, 0, 0, 1, 0, 0, 0, 70, 0, 0, 0});
    ASSERT_TRUE(program().app->chooseContinue());
    EXPECT_EQ(program().app->state(), MENU);
    program().app->pressAction();  // the action key on Continue
    finishWipe();
    ASSERT_EQ(program().app->state(), STAGE);
    EXPECT_EQ(program().app->playfield()->level(), 2);
    EXPECT_EQ(program().app->playfield()->livesLeft(), 1);
    EXPECT_EQ(scoreCounter->value(), 70);
}

// Where the program can end without warning, each change reaches the files after the tick or
// key that made it: the new game at once, the score alone at most every two seconds, the sound
// switches in the score table, and nothing when nothing changed.
static std::vector<std::string> writtenFiles;  // what the file hook saw

TEST_F(FrontendTest, KeptCurrentFilesFollowTheGameWithoutRewritingUnchangedOnes) {
    const auto save = dir / "AutoSave.dat";
    auto saved = [&] {
        std::ifstream in(save, std::ios::binary);
        return std::vector<char>((std::istreambuf_iterator<char>(in)), {});
    };
    writtenFiles.clear();
    // The game's record goes beside the saved game whenever it is written: the recorder's, not
    // counted here.
    platform::setFileWrittenHook([](const std::string& path) {
        if (!path.ends_with("GameRecord.dat")) writtenFiles.push_back(path);
    });
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    program().app->saveChanges(0);  // the menu, nothing changed: nothing written
    EXPECT_TRUE(writtenFiles.empty());
    program().app->pressAction();  // Start: a wipe towards the stage writes the new game
    program().app->saveChanges(100);
    EXPECT_EQ(saved(), (std::vector<char>{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(writtenFiles.size(), 1u);
    scoreCounter->setValue(300);  // 300 = 0x12C
    program().app->saveChanges(
        2099);  // the score alone, within two seconds of the last write: kept back
    EXPECT_EQ(writtenFiles.size(), 1u);
    program().app->saveChanges(2100);
    EXPECT_EQ(saved(), (std::vector<char>{1, 0, 0, 0, 3, 0, 0, 0, 0x2C, 1, 0, 0}));
    program().app->saveChanges(5000);
    EXPECT_EQ(writtenFiles.size(), 2u);
    soundOn = !soundOn;
    program().app->saveChanges(5010);
    ASSERT_EQ(writtenFiles.size(), 3u);
    EXPECT_EQ(writtenFiles.back(), program().app->scoreTable()->filePath());
    std::ifstream table(program().app->scoreTable()->filePath(), std::ios::binary);
    EXPECT_EQ(table.get(), 0);  // music off, as a missing table starts
    EXPECT_EQ(table.get(), soundOn ? 1 : 0);
    platform::setFileWrittenHook(nullptr);
}

// With three empty levels each stage is cleared by its first tick: the game runs through the
// stage screens 1, 2, 3 to the victory screen, and a score above the table's lowest leads to
// the name entry.
TEST_F(FrontendTest, EmptyLevelsRunToVictoryAndTheNameEntry) {
    testing_support::writeFile((dir / "BrickMap.dat").string(), std::vector<uint8_t>(2112, 0));
    destroyGlobals();  // the level file is read when the program starts
    createGlobals();
    for (int i = 0; i < 3; ++i) {
        program().app->pressAction();
        finishWipe();
    }
    for (int level = 1; level <= 3; ++level) {
        ASSERT_EQ(program().app->state(), STAGE);
        EXPECT_EQ(program().app->playfield()->level(), level);
        program().app->pressAction();
        finishWipe();
        ASSERT_EQ(program().app->state(), PLAY);
        program().app->tick(10);
        finishWipe();
    }
    EXPECT_EQ(program().app->state(), VICTORY);
    EXPECT_EQ(program().app->playfield()->level(), 4);
    EXPECT_EQ(testing_support::readFile((dir / "AutoSave.dat").string()),
              (std::vector<uint8_t>{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));

    scoreCounter->setValue(5000);  // beats the default table's lowest, 100
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), NAME_ENTRY);
    // Done before any character is picked (or after the last one is deleted) is refused with
    // the menu sound, and the score waits.
    soundOn = true;
    for (int attempt = 0; attempt < 2; ++attempt) {
        const size_t before = traceSize();
        program().app->pressLeftSoft();
        finishWipe();
        EXPECT_EQ(program().app->state(), NAME_ENTRY);
        EXPECT_TRUE(program().app->nameEntry()->prompting());
        // (The second time the sound is still playing from the cursor move.)
        if (attempt == 0) {
            EXPECT_EQ(traceFrom(before), (Lines{"sound menudown.wav play"}));
        }
        EXPECT_EQ(program().app->scoreTable()->entry(51).score, 4900u);
        program().app->pressAction();  // picks 0
        program().app->pressLeft();
        program().app->pressLeft();
        program().app->pressUp();  // delete, on the last row
        program().app->pressAction();
        ASSERT_EQ(program().app->nameEntry()->length(), 0);
        program().app->pressDown();
        program().app->pressRight();
        program().app->pressRight();  // back on 0
    }
    program().app->pressDown();   // row 1: A..J
    program().app->pressRight();  // B
    program().app->pressAction();
    program().app->pressAction();
    program().app->pressLeftSoft();  // Done
    finishWipe();
    EXPECT_EQ(program().app->state(), SCORES);
    // 5000 is below the defaults 10000 .. 5100 (entries 0..49) and above 5000 (entry 50),
    // which stays above the new entry of equal score: the new entry is 51.
    EXPECT_EQ(program().app->scoreTable()->entry(51).score, 5000u);
    EXPECT_EQ(std::u16string(program().app->scoreTable()->entry(51).name), u"BB");
    EXPECT_EQ(program().app->scoreTable()->entry(50).score, 5000u);
    EXPECT_EQ(std::u16string(program().app->scoreTable()->entry(50).name), u"MERVAN");
    EXPECT_EQ(program().app->scoreTable()->topRow(),
              46);  // the new entry in the sixth of twelve rows
}

// Typed letters and digits pick their cells, Backspace deletes; only the name entry listens.
TEST_F(FrontendTest, TypedCharactersSpellTheName) {
    soundOn = true;
    auto type = [](char32_t c) { windowProc({platform::kMsgChar, static_cast<uint32_t>(c), 0}); };
    const size_t atTitle = traceSize();
    type(U'a');
    EXPECT_EQ(program().app->state(), TITLE);
    EXPECT_EQ(traceSize(), atTitle);

    playToNameEntry(5000);
    NameEntry& entry = *program().app->nameEntry();
    for (char32_t c : {U'b', U'7', U'!', U'\u00E9', U'Q'}) type(c);  // '!' and 'é': not in the grid
    EXPECT_EQ(std::u16string(entry.text()), u"B7Q");
    type(platform::kCharBackspace);
    type(platform::kCharBackspace);
    platform::headless::advance(1000);  // the last sound has ended
    const size_t before = traceSize();
    type(U'Z');
    EXPECT_EQ(traceFrom(before), (Lines{"sound Action.wav play"}));
    EXPECT_EQ(std::u16string(entry.text()), u"BZ");
    // The cursor rests on the last typed cell (Z: row 3, column 5), but Z was entered once:
    // the action key (Enter or Space ending a typed name) enters nothing there, however often.
    EXPECT_EQ(entry.column(), 5);
    EXPECT_EQ(entry.row(), 3);
    program().app->pressAction();
    program().app->pressAction();
    EXPECT_EQ(std::u16string(entry.text()), u"BZ");
    // Moved by a key, the cursor picks again: left of Z is Y.
    program().app->pressLeft();
    program().app->pressAction();
    EXPECT_EQ(std::u16string(entry.text()), u"BZY");
}

// The home key at the name entry (the program ends) keeps the score the table takes, with the
// name typed so far, or PLAYER where none was, and tells the player; no game is saved then.
TEST_F(FrontendTest, HomeAtTheNameEntryKeepsTheScoreWithTheNameSoFar) {
    auto type = [](char32_t c) { windowProc({platform::kMsgChar, static_cast<uint32_t>(c), 0}); };
    auto told = [&](size_t from, const std::string& text) {
        const Lines lines = traceFrom(from);
        return std::count(lines.begin(), lines.end(), "message " + text);
    };
    playToNameEntry(5000);
    type(U'a');
    type(U'c');
    size_t before = traceSize();
    windowProc(key(platform::kKeyHome));
    destroyGlobals();  // the program's way out
    EXPECT_FALSE(program().gameSavedOnExit);
    EXPECT_EQ(told(before, "Your score of 5000 is kept in the high-score table as AC."), 1);
    createGlobals();
    // Read back from the file: 5000 enters under the default table's 5000 (entry 50).
    EXPECT_EQ(program().app->scoreTable()->entry(51).score, 5000u);
    EXPECT_EQ(std::u16string(program().app->scoreTable()->entry(51).name), u"AC");

    playToNameEntry(4000);  // nothing typed: the default name
    before = traceSize();
    windowProc(key(platform::kKeyHome));
    destroyGlobals();
    EXPECT_EQ(told(before, "Your score of 4000 is kept in the high-score table as PLAYER."), 1);
    createGlobals();
    // Under the 62 entries of 4000 or more: the defaults 10000 .. 4000 and AC's 5000.
    EXPECT_EQ(program().app->scoreTable()->entry(62).score, 4000u);
    EXPECT_EQ(std::u16string(program().app->scoreTable()->entry(62).name), u"PLAYER");
}

// The grid's cells are 16 x 20 from (8, 65): the pointer moves the cursor, a click picks, the
// two empty cells take nothing, DONE (bottom left) enters the name.
TEST_F(FrontendTest, TheNameEntryGridTakesThePointer) {
    playToNameEntry(5000);
    auto pointer = [](uint32_t id, int x, int y) {
        windowProc({id, 0, platform::packPointer(x, y)});
    };
    auto click = [&](int x, int y) {
        pointer(platform::kMsgPointerMove, x, y);
        pointer(platform::kMsgPointerDown, x, y);
        pointer(platform::kMsgPointerUp, x, y);
    };
    NameEntry& entry = *program().app->nameEntry();
    pointer(platform::kMsgPointerMove, 8 + 16 * 2 + 15, 65 + 20 + 19);  // C, its last pixel
    EXPECT_EQ(entry.column(), 2);
    EXPECT_EQ(entry.row(), 1);
    EXPECT_EQ(entry.length(), 0);
    click(8 + 16 * 9 + 3, 65 + 3);       // 9
    click(8 + 16 * 7 + 3, 65 + 60 + 3);  // row 3's empty cell: nothing
    click(8 + 16 * 3 + 3, 65 + 40 + 3);  // N
    click(100, 30);                      // above the grid: nothing
    EXPECT_EQ(std::u16string(entry.text()), u"9N");
    click(10, 210);  // DONE
    finishWipe();
    EXPECT_EQ(program().app->state(), SCORES);
    EXPECT_EQ(std::u16string(program().app->scoreTable()->entry(51).name), u"9N");
}

TEST_F(FrontendTest, ALowFinalScoreGoesBackToTheMenu) {
    testing_support::writeFile((dir / "BrickMap.dat").string(), std::vector<uint8_t>(2112, 0));
    testing_support::writeFile((dir / "AutoSave.dat").string(),
                               {3, 0, 0, 0, 2, 0, 0, 0, 100, 0, 0, 0});
    destroyGlobals();
    createGlobals();
    program().app->pressAction();
    finishWipe();
    program().app->pressAction();
    finishWipe();
    program().app->pressDown();  // Continue: level 3, 2 lives, 100 points
    program().app->pressAction();
    finishWipe();
    ASSERT_EQ(program().app->state(), STAGE);
    EXPECT_EQ(program().app->playfield()->level(), 3);
    EXPECT_EQ(scoreCounter->value(), 100);
    program().app->pressAction();
    finishWipe();
    program().app->tick(10);
    finishWipe();
    ASSERT_EQ(program().app->state(), VICTORY);
    program().app->pressAction();  // 100 does not beat the lowest entry (100)
    finishWipe();
    EXPECT_EQ(program().app->state(), MENU);
}
