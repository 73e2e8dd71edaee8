// Test fixture for the game world: a temporary program directory and the play globals.
#include "tests/world/world_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/headless/headless.h"

void WorldTest::SetUp() {
    platform::headless::reset();
    char pattern[] = "/tmp/world_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = std::string(pattern) + "/";
    platform::setProgramDirectory(directory);
    globals.emplace(kSeed);
}

void WorldTest::TearDown() {
    access.reset();
    playfield.reset();
    globals.reset();
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

void WorldTest::writeBrickMap(const std::vector<int32_t>& cells) {
    std::vector<uint8_t> bytes;
    for (int32_t value : cells) {
        const auto bits = static_cast<uint32_t>(value);
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(bits >> (8 * i)));
    }
    writeFile("BrickMap.dat", bytes);
}

void WorldTest::writeFile(const std::string& name, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path(name), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> WorldTest::readFile(const std::string& name) {
    std::ifstream in(path(name), std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in),
                                std::istreambuf_iterator<char>());
}

bool WorldTest::fileExists(const std::string& name) {
    return std::filesystem::exists(path(name));
}

void WorldTest::makePlayfield() {
    playfield = std::make_unique<Playfield>();
    access = std::make_unique<PlayfieldTestAccess>(*playfield);
}

void WorldTest::startOnEmptyGrid() {
    if (!playfield) makePlayfield();
    playfield->newGame();
    playfield->startLevel();
    access->emptyGrid();
}

int32_t WorldTest::score() const {
    return scoreCounter->value();
}
