// Test fixture for the game world: a fresh program directory per test, a score counter, a
// fixed random seed, and PlayfieldTestAccess to build positions by hand and reach the steps.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/effect.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "world/playfield.h"

class PlayfieldTestAccess {
  public:
    explicit PlayfieldTestAccess(Playfield& playfield) : p(playfield) {}

    BrickCell& cell(int column, int row) { return p.grid[row][column]; }
    Brick* brick(int column, int row) { return p.grid[row][column].brick; }
    // Replaces the brick of a cell (the cell's hidden item is left as it is).
    Brick* setBrick(int column, int row, int kind, int colour = 0);
    // Every cell an Empty brick with no hidden item.
    void emptyGrid();
    int countHiddenItems();

    std::list<Ball*>& balls() { return p.balls; }
    std::list<Bullet*>& bullets() { return p.bullets; }
    std::list<Item*>& items() { return p.items; }
    std::list<Effect*>& effects() { return p.effects; }
    Paddle& paddle() { return *p.paddle; }
    int32_t& lives() { return p.lives; }
    int32_t& level() { return p.level_; }
    int32_t livesShown() const;
    int32_t levelShown() const;
    int32_t brickMapCell(int level, int row, int column) {
        return p.brickMap[level - 1][row][column];
    }

    // A free ball appended to the ball list.
    Ball* addBall(double x, double y, Fixed vx, Fixed vy, int32_t kind = Ball::Normal,
                  Fixed speed = Ball::kNewBallSpeed);
    // Removes every ball (the paddle lets go of them first).
    void removeAllBalls();
    Item* addItem(double x, double y, Fixed vx, Fixed vy, int32_t kind);

    void collideBall(Ball* ball) { p.collideBall(ball); }
    void hitCell(int column, int row, const Ball* ball) { p.hitCell(column, row, ball); }
    void strikeCell(int column, int row) { p.strikeCell(column, row); }
    void smashCell(int column, int row) { p.smashCell(column, row); }
    void explodeCell(int column, int row) { p.explodeCell(column, row); }
    void applyItem(int32_t kind);

  private:
    Playfield& p;
};

// Fixed from a pixel value with a fraction (exact for the values the tests use).
inline Fixed fx(double pixels) {
    return static_cast<Fixed>(pixels * 65536.0);
}

// The platform generator, computed independently to predict random draws.
struct ExpectedRandom {
    uint32_t state;
    int next() {
        state = state * 214013u + 2531011u;
        return static_cast<int>((state >> 16) & 0x7FFF);
    }
};

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
    std::unique_ptr<Playfield> playfield;
    std::unique_ptr<PlayfieldTestAccess> access;
};
