// Tests of the level table: reading BrickMap.dat, cell codes, and the level set-up.
#include <filesystem>
#include <set>
#include <utility>

#include "graphics/canvas.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "tests/support/filled_fifo.h"
#include "tests/world/world_fixture.h"

namespace {

constexpr int kCellsPerLevel = 16 * 11;

// Index of a cell in the whole table: levels of 704 bytes, rows of 44, cells of 4.
int cellIndex(int level, int row, int column) {
    return (level - 1) * kCellsPerLevel + row * 11 + column;
}

bool traceHas(const std::string& text) {
    for (const std::string& line : platform::headless::traceLines())
        if (line.find(text) != std::string::npos) return true;
    return false;
}

bool levelFileReported() {
    return traceHas("message Open file error") || traceHas("message CAN'T READ FILE");
}

}  // namespace

TEST_F(WorldTest, CellCodesGiveKindsColoursAndPositions) {
    std::vector<int32_t> cells(3 * kCellsPerLevel, 0);
    cells[cellIndex(1, 0, 0)] = 35;   // Gem, colour 5
    cells[cellIndex(1, 0, 1)] = 5;    // Empty, colour 5
    cells[cellIndex(1, 0, 2)] = 70;   // kind 7: Empty
    cells[cellIndex(1, 0, 3)] = -10;  // kind -1: Empty
    cells[cellIndex(1, 0, 4)] = 62;   // Fire, colour 2
    cells[cellIndex(1, 0, 5)] = 13;   // Stone, colour 3
    cells[cellIndex(1, 7, 10)] = 51;  // Stable, colour 1
    cells[cellIndex(2, 3, 4)] = 21;   // Metal, colour 1: byte offset 704 + 132 + 16 = 852
    writeBrickMap(cells);
    // The byte layout the test wrote matches the documented offset.
    const std::vector<uint8_t> bytes = readFile("BrickMap.dat");
    ASSERT_EQ(bytes.size(), 2112u);
    EXPECT_EQ(bytes[852], 21);

    makePlayfield();
    EXPECT_EQ(access->brickMapCell(2, 3, 4), 21);
    playfield->newGame();
    playfield->startLevel();

    EXPECT_EQ(access->brick(0, 0)->kind(), Brick::GemKind);
    EXPECT_EQ(access->brick(0, 0)->colour(), 5);
    EXPECT_EQ(access->brick(0, 0)->hp(), 3);
    EXPECT_EQ(access->brick(1, 0)->kind(), Brick::EmptyKind);
    EXPECT_FALSE(access->brick(1, 0)->isPresent());
    EXPECT_EQ(access->brick(2, 0)->kind(), Brick::EmptyKind);
    EXPECT_EQ(access->brick(3, 0)->kind(), Brick::EmptyKind);
    EXPECT_EQ(access->brick(4, 0)->kind(), Brick::FireKind);
    EXPECT_EQ(access->brick(4, 0)->colour(), 2);
    EXPECT_EQ(access->brick(5, 0)->kind(), Brick::StoneKind);
    EXPECT_EQ(access->brick(5, 0)->colour(), 3);
    EXPECT_EQ(access->brick(10, 7)->kind(), Brick::StableKind);
    // Column 10, row 7 stands at x = 160 px, y = 70 px.
    EXPECT_EQ(access->brick(10, 7)->x(), 0xA00000);
    EXPECT_EQ(access->brick(10, 7)->y(), 0x460000);
    EXPECT_EQ(access->brick(4, 3)->kind(), Brick::EmptyKind);  // level 1 has nothing there

    access->level() = 2;
    playfield->startLevel();
    EXPECT_EQ(access->brick(4, 3)->kind(), Brick::MetalKind);
    EXPECT_EQ(access->brick(4, 3)->colour(), 1);
    EXPECT_EQ(access->brick(4, 3)->x(), 0x400000);  // 64 px
    EXPECT_EQ(access->brick(4, 3)->y(), 0x1E0000);  // 30 px
    EXPECT_EQ(access->brick(0, 0)->kind(), Brick::EmptyKind);
}

TEST_F(WorldTest, ShortOrMissingLevelFileLeavesTheRestEmpty) {
    // Level 1 full of Stone bricks, then one whole cell and half of the next of level 2.
    std::vector<uint8_t> bytes;
    for (int i = 0; i < kCellsPerLevel; ++i) {
        for (uint8_t b : {11, 0, 0, 0}) bytes.push_back(b);
    }
    for (uint8_t b : {14, 0, 0, 0, 16, 0}) bytes.push_back(b);
    writeFile("BrickMap.dat", bytes);
    makePlayfield();
    EXPECT_EQ(access->brickMapCell(1, 15, 10), 11);
    EXPECT_EQ(access->brickMapCell(2, 0, 0), 14);
    EXPECT_EQ(access->brickMapCell(2, 0, 1), 16);  // low bytes read, high bytes still zero
    EXPECT_EQ(access->brickMapCell(2, 0, 2), 0);
    EXPECT_EQ(access->brickMapCell(3, 15, 10), 0);
    EXPECT_FALSE(levelFileReported());  // a short file is not reported

    playfield.reset();
    std::filesystem::remove(path("BrickMap.dat"));
    makePlayfield();
    // A missing file is created empty, silently, and every level is empty.
    EXPECT_TRUE(fileExists("BrickMap.dat"));
    EXPECT_EQ(std::filesystem::file_size(path("BrickMap.dat")), 0u);
    EXPECT_FALSE(levelFileReported());
    playfield->newGame();
    playfield->startLevel();
    EXPECT_EQ(access->countHiddenItems(), 0);
    // An empty level is won in its first step, and play goes on to the next one.
    playfield->tick(10);
    EXPECT_TRUE(playfield->levelCleared());
    EXPECT_EQ(playfield->level(), 2);
    EXPECT_FALSE(playfield->gameOver());
}

// Read again, the table holds what a new playfield reads from the file now: nothing of the old
// file is left, not even the high bytes of a cell the new one cuts short.
TEST_F(WorldTest, ReloadedLevelTableKeepsNothingOfTheOldFile) {
    writeBrickMap(std::vector<int32_t>(3 * kCellsPerLevel, 0x01020304));
    makePlayfield();
    EXPECT_EQ(access->brickMapCell(3, 15, 10), 0x01020304);
    writeFile("BrickMap.dat", {14, 0, 0, 0, 16, 0});
    playfield->reloadLevelTable();
    EXPECT_EQ(access->brickMapCell(1, 0, 0), 14);
    EXPECT_EQ(access->brickMapCell(1, 0, 1), 16);
    EXPECT_EQ(access->brickMapCell(1, 0, 2), 0);
    EXPECT_EQ(access->brickMapCell(3, 15, 10), 0);
}

TEST_F(WorldTest, UnopenableLevelFileIsReported) {
    platform::setProgramDirectory(directory + "missing-folder/");
    makePlayfield();
    EXPECT_TRUE(traceHas("message Open file error"));
    EXPECT_EQ(access->brickMapCell(1, 0, 0), 0);

    // A directory in the file's place opens but cannot be read.
    playfield.reset();
    platform::headless::reset();
    platform::setProgramDirectory(directory);
    std::filesystem::create_directory(path("BrickMap.dat"));
    makePlayfield();
    EXPECT_TRUE(traceHas("message CAN'T READ FILE"));
    EXPECT_FALSE(traceHas("message Open file error"));
    playfield->newGame();
    playfield->startLevel();
    EXPECT_EQ(access->countHiddenItems(), 0);

    // So does a FIFO, even one holding a whole table: it is never read or waited on.
    playfield.reset();
    platform::headless::reset();
    std::filesystem::remove(path("BrickMap.dat"));
    std::vector<uint8_t> table(2112, 0);
    table[0] = 30;  // a Gem brick in the first cell of level 1
    testing_support::FilledFifo fifo(path("BrickMap.dat"), table);
    ASSERT_TRUE(fifo.ready());
    makePlayfield();
    EXPECT_TRUE(traceHas("message CAN'T READ FILE"));
    EXPECT_EQ(access->brickMapCell(1, 0, 0), 0);
}

TEST_F(WorldTest, StartLevelHidesFiveItemsInDrawOrder) {
    // Every cell a Stone brick, so each draw of a fresh cell is accepted.
    writeBrickMap(std::vector<int32_t>(3 * kCellsPerLevel, 10));
    makePlayfield();
    playfield->newGame();
    RandomMirror random{kSeed};
    std::vector<std::pair<int, int>> cells;
    std::vector<int> kinds;
    std::set<std::pair<int, int>> used;
    while (cells.size() < 5) {
        const int column = random.next() % 11;
        const int row = random.next() % 16;
        if (used.count({column, row})) continue;
        used.insert({column, row});
        cells.push_back({column, row});
        kinds.push_back(random.next() % 14 + 1);
    }
    playfield->startLevel();
    EXPECT_EQ(access->countHiddenItems(), 5);
    for (size_t n = 0; n < cells.size(); ++n) {
        EXPECT_EQ(access->cell(cells[n].first, cells[n].second).hiddenItem, kinds[n]) << n;
    }

    // After set-up: one Normal ball held at (88, 186), nothing else moving, paddle reset.
    ASSERT_EQ(access->balls().size(), 1u);
    const Ball* ball = access->balls().front();
    EXPECT_EQ(ball->x(), 0x580000);
    EXPECT_EQ(ball->y(), 0xBA0000);
    EXPECT_TRUE(ball->held());
    EXPECT_EQ(ball->kind(), Ball::Normal);
    EXPECT_EQ(ball->speed(), 0x2000);
    EXPECT_EQ(access->paddle().heldBalls().size(), 1u);
    EXPECT_EQ(access->paddle().x(), 0x468000);
    EXPECT_EQ(access->paddle().width(), 0x230000);
    EXPECT_TRUE(access->bullets().empty());
    EXPECT_TRUE(access->items().empty());
    EXPECT_TRUE(access->effects().empty());
    EXPECT_FALSE(playfield->levelCleared());
}

TEST_F(WorldTest, ItemsHideOnlyInPresentBricksAndNeverHang) {
    // Level 1: three present bricks (one Stable, one Fire); level 2: eight Gem bricks.
    std::vector<int32_t> cells(3 * kCellsPerLevel, 0);
    cells[cellIndex(1, 2, 2)] = 10;
    cells[cellIndex(1, 9, 9)] = 50;
    cells[cellIndex(1, 15, 0)] = 60;
    for (int column = 0; column < 8; ++column) cells[cellIndex(2, 4, column)] = 30;
    writeBrickMap(cells);
    makePlayfield();
    playfield->newGame();
    playfield->startLevel();
    EXPECT_EQ(access->countHiddenItems(), 3);
    for (auto [column, row] : {std::pair{2, 2}, {9, 9}, {0, 15}}) {
        const int kind = access->cell(column, row).hiddenItem;
        EXPECT_GE(kind, 1);
        EXPECT_LE(kind, 14);
    }

    access->level() = 2;
    playfield->startLevel();
    EXPECT_EQ(access->countHiddenItems(), 5);
    for (int row = 0; row < 16; ++row) {
        for (int column = 0; column < 11; ++column) {
            if (access->cell(column, row).hiddenItem == 0) continue;
            EXPECT_TRUE(access->brick(column, row)->isPresent());
            EXPECT_EQ(row, 4);
        }
    }
}

// After clearLevel every cell holds an Empty brick and the paddle holds no ball, so whatever
// runs next (a draw, a tick, the action key, a new level) finds nothing deleted.
TEST_F(WorldTest, ClearLevelLeavesEmptyCellsAndNoHeldBall) {
    std::vector<int32_t> cells(3 * kCellsPerLevel, 35);
    writeBrickMap(cells);
    makePlayfield();
    ASSERT_NE(access->brick(10, 15), nullptr);  // a new playfield's cells are Empty bricks too
    EXPECT_EQ(access->brick(10, 15)->kind(), Brick::EmptyKind);
    playfield->newGame();
    playfield->startLevel();
    ASSERT_EQ(access->paddle().heldBalls().size(), 1u);
    access->addItem(40, 100, 0, 0x1000, Item::FastBall);
    playfield->clearLevel();

    EXPECT_TRUE(access->paddle().heldBalls().empty());
    EXPECT_TRUE(access->balls().empty());
    EXPECT_TRUE(access->items().empty());
    EXPECT_EQ(access->countHiddenItems(), 0);
    for (int row = 0; row < Playfield::kRows; ++row)
        for (int column = 0; column < Playfield::kColumns; ++column) {
            ASSERT_NE(access->brick(column, row), nullptr) << column << "," << row;
            EXPECT_EQ(access->brick(column, row)->kind(), Brick::EmptyKind);
            EXPECT_EQ(access->brick(column, row)->x(), px(16 * column));
            EXPECT_EQ(access->brick(column, row)->y(), px(10 * row));
        }
    playfield->action();
    playfield->tick(10);
    Canvas canvas;
    playfield->draw(&canvas);
    playfield->clearLevel();  // twice in a row is as once

    playfield->startLevel();
    EXPECT_EQ(access->brick(0, 0)->kind(), Brick::GemKind);
    EXPECT_EQ(access->paddle().heldBalls().size(), 1u);
    EXPECT_EQ(access->countHiddenItems(), 5);
}
