// The level compiler: the file layout, text round trips, the playability rules with their
// messages and exit codes, and the game's three levels.
#include "brick_map.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

namespace {

class BrickMapTool : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "brickmap_XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    // Runs brickmap with the arguments; returns its exit code, keeps its error output.
    int run(const std::string& args) {
        std::string command = std::string(V2_TEST_BRICKMAP) + " " + args + " >" + dir +
                              "out.txt 2>" + dir + "err.txt";
        int status = std::system(command.c_str());
        errors = read(dir + "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void write(const std::string& name, const std::string& text) {
        std::ofstream(dir + name, std::ios::binary) << text;
    }
    // A level text: `rows` lines of the given row, the rest empty.
    static std::string level(int number, const std::string& row, int rows) {
        std::string t = "level " + std::to_string(number) + "\n";
        for (int r = 0; r < 16; ++r)
            t += (r < rows ? row : "00 00 00 00 00 00 00 00 00 00 00") + std::string("\n");
        return t;
    }
    static std::string levels() {
        std::string full = "11 12 13 14 15 16 17 18 19 10 11";
        return level(1, full, 1) + level(2, full, 2) + level(3, full, 3);
    }

    std::string dir;
    std::string errors;
};

std::string levelPath(int n) {
    return std::string(V2_TEST_LEVELS_DIR) + "/level" + std::to_string(n) + ".txt";
}

}  // namespace

TEST(BrickMap, FileLayoutIsLittleEndianCellsLevelByLevel) {
    BrickMap map;
    map.setCell(1, 3, 4, 35);  // level 2, row 3, column 4
    map.setCell(2, 15, 10, -10);
    map.setCell(0, 0, 0, 0x01020304);
    std::vector<uint8_t> file = map.toFile();
    ASSERT_EQ(file.size(), 2112u);
    // 704 + 3 x 44 + 4 x 4 = 852
    EXPECT_EQ(file[852], 35);
    EXPECT_EQ(file[853], 0);
    // The last cell: 2112 - 4; -10 is F6 FF FF FF.
    EXPECT_EQ(file[2108], 0xF6);
    EXPECT_EQ(file[2111], 0xFF);
    EXPECT_EQ(file[0], 0x04);
    EXPECT_EQ(file[3], 0x01);

    BrickMap back;
    std::string error;
    ASSERT_TRUE(back.fromFile(file, error));
    EXPECT_EQ(back.cell(1, 3, 4), 35);
    EXPECT_EQ(back.cell(2, 15, 10), -10);
    EXPECT_EQ(back.toFile(), file);
    file.pop_back();
    EXPECT_FALSE(back.fromFile(file, error));
    EXPECT_NE(error.find("2112"), std::string::npos);

    // Text and back, odd values included.
    BrickMap fromText;
    int levelsRead = 0;
    ASSERT_TRUE(fromText.readText(map.toText(), "map", levelsRead, error)) << error;
    EXPECT_EQ(levelsRead, 3);
    EXPECT_EQ(fromText.toFile(), map.toFile());
}

TEST(BrickMap, ValidationNamesEachFault) {
    BrickMap map;
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 11; ++c) map.setCell(l, 0, c, 11);
    EXPECT_TRUE(map.validate().empty());

    map.setCell(0, 2, 5, 47);  // Hide has colours 0 to 2
    map.setCell(1, 4, 1, 71);  // no kind 7
    map.setCell(2, 0, 0, 5);   // an empty cell with a colour
    auto faults = map.validate();
    ASSERT_EQ(faults.size(), 3u);
    EXPECT_NE(faults[0].find("level 1, row 2, column 5"), std::string::npos);
    EXPECT_NE(faults[0].find("Hide"), std::string::npos);
    EXPECT_NE(faults[1].find("level 2, row 4, column 1"), std::string::npos);
    EXPECT_NE(faults[2].find("level 3, row 0, column 0"), std::string::npos);

    // Too few bricks to hide the five items; Stable bricks count as present but not as
    // bricks to break.
    BrickMap sparse;
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 11; ++c) sparse.setCell(l, 0, c, 11);
    for (int c = 0; c < 11; ++c) sparse.setCell(1, 0, c, c < 4 ? 50 : 0);
    faults = sparse.validate();
    ASSERT_EQ(faults.size(), 2u);
    EXPECT_NE(faults[0].find("level 2 has 4 bricks"), std::string::npos);
    EXPECT_NE(faults[1].find("no brick to break"), std::string::npos);
    EXPECT_EQ(sparse.presentBricks(1), 4);
    EXPECT_EQ(sparse.countableBricks(1), 0);

    // A brick closed in by Stable bricks and the top wall cannot be reached.
    BrickMap walled;
    for (int l = 0; l < 3; ++l)
        for (int c = 0; c < 11; ++c) walled.setCell(l, 5, c, 12);
    walled.setCell(0, 0, 5, 13);
    walled.setCell(0, 0, 4, 50);
    walled.setCell(0, 0, 6, 50);
    walled.setCell(0, 1, 5, 50);
    faults = walled.validate();
    ASSERT_EQ(faults.size(), 1u);
    EXPECT_NE(faults[0].find("level 1, row 0, column 5"), std::string::npos);
    walled.setCell(0, 1, 5, 20);  // a Metal brick instead: it can be broken through
    EXPECT_TRUE(walled.validate().empty());
}

TEST_F(BrickMapTool, CompilesDecompilesAndRoundTrips) {
    write("levels.txt", levels());
    ASSERT_EQ(run("compile " + dir + "a.dat " + dir + "levels.txt"), 0) << errors;
    std::string first = read(dir + "a.dat");
    ASSERT_EQ(first.size(), 2112u);
    // Level 3, row 2, column 9 holds 10: offset 1408 + 2 x 44 + 9 x 4 = 1532.
    EXPECT_EQ(static_cast<uint8_t>(first[1532]), 10);
    EXPECT_EQ(static_cast<uint8_t>(first[1408 + 3 * 44]), 0);

    ASSERT_EQ(run("decompile " + dir + "a.dat " + dir + "back.txt"), 0) << errors;
    ASSERT_EQ(run("compile " + dir + "b.dat " + dir + "back.txt"), 0) << errors;
    EXPECT_EQ(read(dir + "b.dat"), first);
    ASSERT_EQ(run("decompile " + dir + "a.dat"), 0);
    EXPECT_EQ(read(dir + "out.txt"), read(dir + "back.txt"));
    EXPECT_EQ(run("validate " + dir + "a.dat"), 0) << errors;

    // The game's own levels, one file each, compile and come back unchanged.
    ASSERT_EQ(run("compile " + dir + "game.dat " + levelPath(1) + " " + levelPath(2) + " " +
                  levelPath(3)),
              0)
        << errors;
    ASSERT_EQ(run("decompile " + dir + "game.dat " + dir + "game.txt"), 0);
    ASSERT_EQ(run("compile " + dir + "game2.dat " + dir + "game.txt"), 0);
    EXPECT_EQ(read(dir + "game2.dat"), read(dir + "game.dat"));
}

TEST_F(BrickMapTool, ReportsBadInputWithExitCodes) {
    EXPECT_EQ(run(""), 2);
    EXPECT_EQ(run("bake x"), 2);
    EXPECT_EQ(run("compile " + dir + "only-output.dat"), 2);
    EXPECT_EQ(run("validate " + dir + "missing.txt"), 3);
    EXPECT_NE(errors.find("missing.txt"), std::string::npos);

    // A short row names its file and line.
    std::string text = levels();
    text.replace(text.find("00 00 00 00 00 00 00 00 00 00 00"), 3, "");
    write("short.txt", text);
    EXPECT_EQ(run("validate " + dir + "short.txt"), 1);
    EXPECT_NE(errors.find("short.txt:3:"), std::string::npos) << errors;
    EXPECT_NE(errors.find("11 cells"), std::string::npos) << errors;

    // Only two levels.
    write("two.txt", level(1, "11 11 11 11 11 11 11 11 11 11 11", 1) +
                         level(2, "11 11 11 11 11 11 11 11 11 11 11", 1));
    EXPECT_EQ(run("validate " + dir + "two.txt"), 1);
    EXPECT_NE(errors.find("found 2 levels"), std::string::npos) << errors;

    // A rule broken: compile refuses and writes nothing, unless asked for a raw copy.
    text = levels();
    text.replace(text.find("11 12"), 2, "49");
    write("bad.txt", text);
    EXPECT_EQ(run("compile " + dir + "bad.dat " + dir + "bad.txt"), 1);
    EXPECT_NE(errors.find("level 1, row 0, column 0"), std::string::npos) << errors;
    EXPECT_FALSE(std::filesystem::exists(dir + "bad.dat"));
    EXPECT_EQ(run("compile --raw " + dir + "bad.dat " + dir + "bad.txt"), 0);
    EXPECT_EQ(std::filesystem::file_size(dir + "bad.dat"), 2112u);
    EXPECT_EQ(run("validate " + dir + "bad.dat"), 1);

    // A file of the wrong size is not a level table.
    write("small.dat", std::string(100, '\0'));
    EXPECT_EQ(run("decompile " + dir + "small.dat"), 1);
    EXPECT_NE(errors.find("2112"), std::string::npos);
}

TEST(GameLevels, BrickCountsAndVariety) {
    std::ifstream in(std::string(V2_TEST_BIN_DIR) + "/BrickMap.dat", std::ios::binary);
    std::vector<uint8_t> bytes(std::istreambuf_iterator<char>(in), {});
    BrickMap map;
    std::string error;
    ASSERT_TRUE(map.fromFile(bytes, error)) << error;
    EXPECT_TRUE(map.validate().empty());

    // Counted by hand from assets/levels: all bricks, then those that must be broken
    // (everything but Stable).
    EXPECT_EQ(map.presentBricks(0), 78);
    EXPECT_EQ(map.countableBricks(0), 78);
    EXPECT_EQ(map.presentBricks(1), 87);
    EXPECT_EQ(map.countableBricks(1), 81);
    EXPECT_EQ(map.presentBricks(2), 92);
    EXPECT_EQ(map.countableBricks(2), 67);

    // Together the levels use every kind in every colour it has.
    std::set<int> used;
    for (int l = 0; l < 3; ++l)
        for (int r = 0; r < 16; ++r)
            for (int c = 0; c < 11; ++c) used.insert(map.cell(l, r, c));
    for (int code = 10; code < 70; ++code)
        if (BrickMap::validCode(code)) {
            EXPECT_TRUE(used.count(code)) << "code " << code;
        }

    // The bottom rows stay clear so the ball has room below the bricks.
    for (int l = 0; l < 3; ++l)
        for (int r = 12; r < 16; ++r)
            for (int c = 0; c < 11; ++c) EXPECT_EQ(map.cell(l, r, c), 0);
}
