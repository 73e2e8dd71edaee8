// Playfield: the level table read from BrickMap.dat, the grid built from it and the items hidden
// in the grid.
#include <algorithm>
#include <string>

#include "entities/brick.h"
#include "entities/brick_factory.h"
#include "globals/globals.h"
#include "graphics/fixed.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "world/data_file.h"
#include "world/playfield.h"

namespace {

constexpr int kCellBytes = 4;
constexpr int kBrickMapBytes =
    Playfield::kLevels * Playfield::kRows * Playfield::kColumns * kCellBytes;  // 2112
constexpr int kItemsPerLevel = 5;
constexpr int kItemKinds = 14;
constexpr int kCellWidthPx = 16;
constexpr int kCellHeightPx = 10;

}  // namespace

void Playfield::loadBrickMap() {
    const std::string path = platform::levelFilePath();
    const platform::FileRead file = readDataFile(path, kBrickMapBytes);
    if (file.result == platform::FileRead::Missing ||
        (file.result == platform::FileRead::Failed && !file.opened)) {
        platform::messageBox("Open file error", "");
        return;
    }
    if (file.result == platform::FileRead::Failed) platform::messageBox("CAN'T READ FILE", "");

    // Cells are signed 32-bit little-endian, level by level, row by row, left to right. The
    // bytes read replace the table's from its start; what a short file does not deliver
    // (including the high bytes of a cell cut short) keeps its value.
    int32_t* cells = &brickMap_[0][0][0];
    constexpr int kCells = kBrickMapBytes / kCellBytes;
    uint8_t bytes[kBrickMapBytes];
    for (int c = 0; c < kCells; ++c)
        le::write32(bytes + kCellBytes * c, static_cast<uint32_t>(cells[c]));
    std::copy(file.bytes.begin(), file.bytes.end(), bytes);
    for (int c = 0; c < kCells; ++c)
        cells[c] = static_cast<int32_t>(le::read32(bytes + kCellBytes * c));
}

void Playfield::buildGrid() {
    // A level beyond the table (never asked for in play) gives an empty grid rather than a
    // read outside it.
    const bool inTable = level_ >= 1 && level_ <= kLevels;
    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kColumns; ++j) {
            const int32_t value = inTable ? brickMap_[level_ - 1][i][j] : 0;
            // Tens give the kind, units the colour (both truncating towards zero, as read
            // from a decimal code); makeBrick turns an unknown kind into an Empty brick.
            const int32_t kind = value / 10;
            const int32_t colour = value % 10;
            placeBrick(j, i, kind, colour);
        }
    }
}

void Playfield::placeBrick(int column, int row, int32_t kind, int32_t colour) {
    Brick*& brick = grid_[row][column].brick;
    // A level is mostly empty cells, and the grid is emptied and built again at every start.
    if (makesEmptyBrick(kind) && brick != nullptr && brick->kind() == Brick::EmptyKind &&
        brick->colour() == colour)
        return;
    delete brick;
    brick = makeBrick(kind, px(kCellWidthPx * column), px(kCellHeightPx * row), colour);
}

void Playfield::buildEmptyGrid() {
    for (int i = 0; i < kRows; ++i)
        for (int j = 0; j < kColumns; ++j) placeBrick(j, i, Brick::EmptyKind, 0);
}

void Playfield::hideItems() {
    // A level with fewer present bricks than items hides one item per present brick, so the
    // search below always has a free present brick to find and ends.
    int present = 0;
    for (int i = 0; i < kRows; ++i)
        for (int j = 0; j < kColumns; ++j)
            if (grid_[i][j].brick->isPresent()) ++present;
    const int count = present < kItemsPerLevel ? present : kItemsPerLevel;

    for (int n = 0; n < count; ++n) {
        int column = 0;
        int row = 0;
        do {
            column = platform::nextRandom() % kColumns;
            row = platform::nextRandom() % kRows;
        } while (!grid_[row][column].brick->isPresent() || grid_[row][column].hiddenItem != 0);
        grid_[row][column].hiddenItem = platform::nextRandom() % kItemKinds + 1;
    }
}

void Playfield::reloadLevelTable() {
    std::fill_n(&brickMap_[0][0][0], kLevels * kRows * kColumns, 0);
    loadBrickMap();
}
