// PlayfieldTestAccess: building positions and reading the displays.
#include "tests/support/playfield_access.h"

#include "entities/brick_factory.h"
#include "graphics/digit_font.h"

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
    return p.livesDisplay_->value();
}
int32_t PlayfieldTestAccess::levelShown() const {
    return p.levelDisplay_->value();
}

Ball* PlayfieldTestAccess::addBall(double x, double y, Fixed vx, Fixed vy, int32_t kind,
                                   Fixed speed) {
    Ball* ball = new Ball(fx(x), fx(y), vx, vy, speed, kind);
    p.balls_.push_back(ball);
    return ball;
}

void PlayfieldTestAccess::removeAllBalls() {
    p.paddle_->reset();
    for (Ball* ball : p.balls_) delete ball;
    p.balls_.clear();
}

Item* PlayfieldTestAccess::addItem(double x, double y, Fixed vx, Fixed vy, int32_t kind) {
    Item* item = new Item(fx(x), fx(y), vx, vy, kind);
    p.items_.push_back(item);
    return item;
}

void PlayfieldTestAccess::applyItem(int32_t kind) {
    Item item(0, 0, 0, 0, kind);
    p.applyItem(&item);
}
