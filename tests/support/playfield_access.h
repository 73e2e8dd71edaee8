// PlayfieldTestAccess: the playfield's insides for tests and benchmarks, to build positions
// by hand, read the grid and the lists, and reach the steps of a tick one by one.
#pragma once
#include <cstdint>
#include <list>

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

    BrickCell& cell(int column, int row) { return p.grid_[row][column]; }
    Brick* brick(int column, int row) { return p.grid_[row][column].brick; }
    // Replaces the brick of a cell (the cell's hidden item is left as it is).
    Brick* setBrick(int column, int row, int kind, int colour = 0);
    // Every cell an Empty brick with no hidden item.
    void emptyGrid();
    int countHiddenItems();

    std::list<Ball*>& balls() { return p.balls_; }
    std::list<Bullet*>& bullets() { return p.bullets_; }
    std::list<Item*>& items() { return p.items_; }
    std::list<Effect*>& effects() { return p.effects_; }
    Paddle& paddle() { return *p.paddle_; }
    int32_t& lives() { return p.lives_; }
    int32_t& level() { return p.level_; }
    int32_t livesShown() const;
    int32_t levelShown() const;
    int32_t brickMapCell(int level, int row, int column) {
        return p.brickMap_[level - 1][row][column];
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
