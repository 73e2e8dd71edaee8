// Tests of the saved game: the 12-byte AutoSave.dat layout, loading it, and damaged files.
#include <filesystem>

#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "tests/support/filled_fifo.h"
#include "tests/world/world_fixture.h"

namespace {
using Bytes = std::vector<uint8_t>;
}

TEST_F(WorldTest, SavedGameBytesAndLoading) {
    // Level 2 holds a Gem brick in its first cell, level 1 nothing.
    std::vector<int32_t> cells(3 * 176, 0);
    cells[176] = 30;
    writeBrickMap(cells);
    makePlayfield();
    playfield->newGame();
    access->level() = 2;
    access->lives() = 1;
    scoreCounter->setValue(340);
    playfield->saveGame();
    EXPECT_EQ(readFile("AutoSave.dat"), (Bytes{2, 0, 0, 0, 1, 0, 0, 0, 0x54, 1, 0, 0}));

    // Continuing in a fresh run restores all three and plays level 2.
    playfield.reset();
    scoreCounter->setValue(0);
    makePlayfield();
    playfield->loadGame();
    EXPECT_EQ(playfield->level(), 2);
    EXPECT_EQ(access->lives(), 1);
    EXPECT_EQ(score(), 340);
    EXPECT_EQ(access->levelShown(), 2);
    EXPECT_EQ(access->livesShown(), 1);
    EXPECT_FALSE(playfield->gameOver());
    playfield->startLevel();
    EXPECT_EQ(access->brick(0, 0)->kind(), Brick::GemKind);

    // The end of a game writes the new-game values, and continuing then starts afresh.
    playfield->resetSave();
    EXPECT_EQ(readFile("AutoSave.dat"), (Bytes{1, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));
    playfield->loadGame();
    EXPECT_EQ(playfield->level(), 1);
    EXPECT_EQ(access->lives(), 3);
    EXPECT_EQ(score(), 0);

    // A negative score is stored as its two's complement.
    scoreCounter->setValue(-2);
    playfield->saveGame();
    EXPECT_EQ(readFile("AutoSave.dat"), (Bytes{1, 0, 0, 0, 3, 0, 0, 0, 0xFE, 0xFF, 0xFF, 0xFF}));
}

TEST_F(WorldTest, MissingOrDamagedSaveStartsANewGame) {
    makePlayfield();
    scoreCounter->setValue(999);
    playfield->loadGame();
    EXPECT_TRUE(fileExists("AutoSave.dat"));  // created empty
    EXPECT_TRUE(readFile("AutoSave.dat").empty());
    EXPECT_EQ(playfield->level(), 1);
    EXPECT_EQ(access->lives(), 3);
    EXPECT_EQ(score(), 0);

    // Eight bytes: level and lives used, the score keeps its new-game value.
    writeFile("AutoSave.dat", {3, 0, 0, 0, 2, 0, 0, 0});
    scoreCounter->setValue(999);
    playfield->loadGame();
    EXPECT_EQ(playfield->level(), 3);
    EXPECT_EQ(access->lives(), 2);
    EXPECT_EQ(score(), 0);

    // A level outside 1 to 3, or lives below 1, count as no save at all.
    const Bytes damaged[] = {{0, 0, 0, 0, 2, 0, 0, 0, 100, 0, 0, 0},
                             {7, 0, 0, 0, 2, 0, 0, 0, 100, 0, 0, 0},
                             {2, 0, 0, 0, 0, 0, 0, 0, 100, 0, 0, 0},
                             {2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 100, 0, 0, 0}};
    for (const Bytes& bytes : damaged) {
        writeFile("AutoSave.dat", bytes);
        playfield->loadGame();
        EXPECT_EQ(playfield->level(), 1);
        EXPECT_EQ(access->lives(), 3);
        EXPECT_EQ(score(), 0);
        EXPECT_EQ(access->levelShown(), 1);
        EXPECT_EQ(access->livesShown(), 3);
        EXPECT_EQ(readFile("AutoSave.dat"), bytes);  // loading never rewrites the file
    }

    // A directory in the file's place: nothing can be read or written, silently.
    std::filesystem::remove(path("AutoSave.dat"));
    std::filesystem::create_directory(path("AutoSave.dat"));
    access->level() = 2;
    playfield->saveGame();
    EXPECT_TRUE(std::filesystem::is_directory(path("AutoSave.dat")));
    playfield->loadGame();
    EXPECT_EQ(playfield->level(), 1);
    EXPECT_EQ(access->lives(), 3);

    // A FIFO holding a valid save is neither read nor waited on.
    std::filesystem::remove(path("AutoSave.dat"));
    testing_support::FilledFifo fifo(path("AutoSave.dat"), {2, 0, 0, 0, 5, 0, 0, 0, 100, 0, 0, 0});
    ASSERT_TRUE(fifo.ready());
    playfield->loadGame();
    EXPECT_EQ(playfield->level(), 1);
    EXPECT_EQ(access->lives(), 3);
    EXPECT_EQ(score(), 0);
    EXPECT_TRUE(std::filesystem::is_fifo(path("AutoSave.dat")));
}

// Lives beyond 99 come only from a damaged or hand-made file (play stops at 99): the count is
// held at 99 and the rest of the save stands, and ExtraLife never pushes it over.
TEST_F(WorldTest, ExtremeLivesAreHeldAtNinetyNine) {
    makePlayfield();
    const Bytes extremes[] = {{2, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0x7F, 0x54, 1, 0, 0},  // INT32_MAX
                              {2, 0, 0, 0, 100, 0, 0, 0, 0x54, 1, 0, 0},
                              {2, 0, 0, 0, 99, 0, 0, 0, 0x54, 1, 0, 0}};
    for (const Bytes& bytes : extremes) {
        writeFile("AutoSave.dat", bytes);
        playfield->loadGame();
        EXPECT_EQ(playfield->level(), 2);
        EXPECT_EQ(score(), 340);
        EXPECT_EQ(access->lives(), 99);
        EXPECT_EQ(access->livesShown(), 99);
        access->applyItem(Item::ExtraLife);
        EXPECT_EQ(access->lives(), 99);
        EXPECT_EQ(access->livesShown(), 99);
        EXPECT_EQ(readFile("AutoSave.dat"), bytes);
    }
    access->lives() = 98;
    access->applyItem(Item::ExtraLife);
    EXPECT_EQ(access->lives(), 99);
}
