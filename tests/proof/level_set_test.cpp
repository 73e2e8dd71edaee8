// The level set's checks: its size, its cells, a brick to break on every level, and the id a
// record of the built-in set names.
#include "record/level_set.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <fstream>
#include <iterator>

#include "platform/little_endian.h"
#include "record/record_codec.h"

namespace {
using Bytes = std::vector<uint8_t>;

Bytes readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void setCell(Bytes& file, int level, int row, int column, int32_t code) {
    const size_t at = 4 * static_cast<size_t>((level * 16 + row) * 11 + column);
    const uint32_t value = static_cast<uint32_t>(code);
    for (int b = 0; b < 4; ++b) file[at + b] = static_cast<uint8_t>(value >> (8 * b));
}

// One stone brick on every level, the rest empty.
Bytes sparseSet() {
    Bytes file(level_set::kFileBytes, 0);
    for (int level = 0; level < 3; ++level) setCell(file, level, 15, 10, 10);
    return file;
}
}  // namespace

TEST(LevelSet, OnlyAFileOfExactlyThreeLevelsIsASet) {
    EXPECT_EQ(level_set::check(sparseSet()), "");
    const Bytes set = sparseSet();
    for (size_t size : {size_t{0}, size_t{2108}, size_t{2111}, size_t{2113}, size_t{4224}}) {
        Bytes file(size, 0);
        std::copy_n(set.begin(), std::min(size, set.size()), file.begin());
        EXPECT_NE(level_set::check(file), "") << size;
    }
    Bytes shortFile(100, 0);
    EXPECT_EQ(level_set::check(shortFile), "a level file holds 2,112 bytes, this one 100");
}

TEST(LevelSet, EveryCellIsABrickTheGameDraws) {
    // Kinds 1 to 3 have ten colours, kinds 4 to 6 three; an empty cell has none.
    for (int32_t code : {0, 10, 19, 29, 39, 40, 42, 50, 52, 60, 62})
        EXPECT_TRUE(level_set::knownCell(code)) << code;
    for (int32_t code : {1, 9, 43, 49, 53, 63, 70, 100, -1, -10, INT32_MIN, INT32_MAX})
        EXPECT_FALSE(level_set::knownCell(code)) << code;

    Bytes file = sparseSet();
    setCell(file, 1, 2, 3, 63);  // a fire brick in a colour its sheet lacks
    EXPECT_EQ(level_set::check(file), "level 2, row 3, column 4: 63 is no brick the game knows");

    // Text (or any bytes but cells) where the cells should be.
    Bytes text(level_set::kFileBytes, 'A');
    EXPECT_NE(level_set::check(text), "");
}

TEST(LevelSet, EveryLevelHasABrickThatCountsForClearingIt) {
    Bytes file = sparseSet();
    setCell(file, 2, 15, 10, 0);
    EXPECT_EQ(level_set::check(file), "level 3 has no brick to break (stable bricks do not count)");
    // Stable bricks alone never clear a level; any other kind, hidden ones too, does.
    for (int column = 0; column < 11; ++column) setCell(file, 2, 0, column, 51);
    EXPECT_NE(level_set::check(file), "");
    setCell(file, 2, 7, 7, 41);
    EXPECT_EQ(level_set::check(file), "");
}

TEST(LevelSet, TheBuiltInSetPassesAndItsIdIsTheOneItsRecordsName) {
    const Bytes builtIn = readAll(V2_BRICKMAP_PATH);
    ASSERT_EQ(builtIn.size(), level_set::kFileBytes);
    EXPECT_EQ(level_set::check(builtIn), "");
    const Bytes recordBytes = readAll(std::string(V2_RECORDS_DIR) + "/1/autoplay-three-levels.rec");
    const RecordCodec::Result decoded = RecordCodec::decode(recordBytes.data(), recordBytes.size());
    ASSERT_TRUE(decoded.record);
    std::string named;
    for (uint8_t b : decoded.record->levelHash) {
        static constexpr char kHex[] = "0123456789abcdef";
        named += kHex[b >> 4];
        named += kHex[b & 0xF];
    }
    EXPECT_EQ(level_set::idOf(builtIn), named);
    EXPECT_TRUE(level_set::validId(named));
    EXPECT_FALSE(level_set::validId(named.substr(1)));
    named[0] = 'A';
    EXPECT_FALSE(level_set::validId(named));
}
