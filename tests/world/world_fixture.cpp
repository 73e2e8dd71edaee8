// Test fixture for the game world: temporary program directory, score counter, test access.
#include "tests/world/world_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "entities/brick_factory.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/random.h"

namespace {
constexpr int kSmallDigitsResource = 115;
}

Brick* PlayfieldTestAccess::setBrick(int column, int row, int kind, int colour) {
    BrickCell& c = cell(column, row);
    delete c.brick;
    c.brick = makeBrick(kind, px(16 * column), px(10 * row), colour);
    return c.brick;
}

void PlayfieldTestAccess::emptyGrid() {
    for (int row = 0; row < Playfield::kRows; ++row) {
        for (int column = 0; column < Playfield::kColumns; ++column) {
            setBrick(column, row, Brick::EmptyKind);
            cell(column, row).hiddenItem = 0;
        }
    }
}

int PlayfieldTestAccess::countHiddenItems() {
    int n = 0;
    for (int row = 0; row < Playfield::kRows; ++row)
        for (int column = 0; column < Playfield::kColumns; ++column)
            if (cell(column, row).hiddenItem != 0) ++n;
    return n;
}

int32_t PlayfieldTestAccess::livesShown() const {
    return p.livesDisplay->value();
}
int32_t PlayfieldTestAccess::levelShown() const {
    return p.levelDisplay->value();
}

Ball* PlayfieldTestAccess::addBall(double x, double y, Fixed vx, Fixed vy, int32_t kind,
                                   Fixed speed) {
    Ball* ball = new Ball(fx(x), fx(y), vx, vy, speed, kind);
    p.balls.push_back(ball);
    return ball;
}

void PlayfieldTestAccess::removeAllBalls() {
    p.paddle->reset();
    for (Ball* ball : p.balls) delete ball;
    p.balls.clear();
}

Item* PlayfieldTestAccess::addItem(double x, double y, Fixed vx, Fixed vy, int32_t kind) {
    Item* item = new Item(fx(x), fx(y), vx, vy, kind);
    p.items.push_back(item);
    return item;
}

void PlayfieldTestAccess::applyItem(int32_t kind) {
    Item item(0, 0, 0, 0, kind);
    p.applyItem(&item);
}

void WorldTest::SetUp() {
    platform::headless::reset();
    char pattern[] = "/tmp/world_test_XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    directory = std::string(pattern) + "/";
    platform::setProgramDirectory(directory);
    platform::seedRandom(kSeed);
    soundOn = true;
    muted = false;
    scoreCounter = new DigitFont(instanceHandle, kSmallDigitsResource);
    scoreCounter->setValue(0);
}

void WorldTest::TearDown() {
    access.reset();
    playfield.reset();
    delete scoreCounter;
    scoreCounter = nullptr;
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
