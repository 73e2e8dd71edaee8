// Test fixture for the game world: a fresh program directory per test, the play globals with a
// fixed random seed, and PlayfieldTestAccess to build positions by hand and reach the steps.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/play_globals.h"
#include "tests/support/playfield_access.h"
#include "tests/support/random_mirror.h"
#include "world/playfield.h"

class WorldTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kSeed = 20261207;

    void SetUp() override;
    void TearDown() override;

    std::string path(const std::string& name) const { return directory + name; }
    // Writes BrickMap.dat from cell values (level by level, row by row), as little-endian.
    void writeBrickMap(const std::vector<int32_t>& cells);
    void writeFile(const std::string& name, const std::vector<uint8_t>& bytes);
    std::vector<uint8_t> readFile(const std::string& name);
    bool fileExists(const std::string& name);
    // Creates the playfield (reads BrickMap.dat) and its test access.
    void makePlayfield();
    // newGame, startLevel, then an empty grid with no hidden items.
    void startOnEmptyGrid();
    int32_t score() const;

    std::string directory;
    std::optional<testing_support::PlayGlobals> globals;
    std::unique_ptr<Playfield> playfield;
    std::unique_ptr<PlayfieldTestAccess> access;
};
