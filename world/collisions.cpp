// Playfield: balls and bullets against the brick grid, what a hit on a cell does, and the
// paddle tests for balls and items.
#include "entities/ball.h"
#include "entities/break_burst.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/hit_burst.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "globals/globals.h"
#include "platform/random.h"
#include "sound/sound_clip.h"
#include "world/playfield.h"

namespace {

constexpr Fixed kCellWidth = 0x100000;  // 16 px
constexpr Fixed kCellHeight = 0xA0000;  // 10 px
constexpr int kCellWidthPx = 16;
constexpr int kCellHeightPx = 10;
constexpr int kCellCentreX = 8;   // px from the cell's left edge
constexpr int kCellCentreY = 5;   // px from the cell's top edge
constexpr int kItemOffsetX = -2;  // an item is released centred on its brick
constexpr int kItemOffsetY = -5;
constexpr int kRandomMiddle = 0x3FFF;

// The eight neighbours of a cell in the order an explosion reaches them (column, row offsets):
// left, up, right, down, up-left, up-right, down-left, down-right.
constexpr int kNeighbours[8][2] = {{-1, 0},  {0, -1}, {1, 0},  {0, 1},
                                   {-1, -1}, {1, -1}, {-1, 1}, {1, 1}};

enum class Corner { TopLeft, TopRight, BottomLeft, BottomRight };

// A ball meeting a single occupied corner: a ball moving along one side of the corner's cell
// rebounds off that side; a ball moving into the corner rebounds by where its centre lies.
// Rows and columns are those of collideBall (t, b, m and l, r, k).
void reboundAtCorner(Ball* ball, Corner corner, int t, int b, int m, int l, int r, int k) {
    const Fixed vx = ball->vx();
    const Fixed vy = ball->vy();
    switch (corner) {
        case Corner::TopLeft:
            if (vx > 0 && vy < 0) {
                ball->reverseY();
            } else if (vx < 0 && vy > 0) {
                ball->reverseX();
            } else if (vx <= 0 && vy <= 0) {
                if (m == b && k == r) {
                    ball->cornerRebound();
                } else if (m == b && k == l) {
                    ball->reverseY();
                } else if (m == t && k == r) {
                    ball->reverseX();
                }
            }
            break;
        case Corner::TopRight:
            if (vx > 0 && vy > 0) {
                ball->reverseX();
            } else if (vx < 0 && vy < 0) {
                ball->reverseY();
            } else if (vx >= 0 && vy <= 0) {
                if (m == b && k == l) {
                    ball->cornerRebound();
                } else if (m == t && k == l) {
                    ball->reverseX();
                } else if (m == b && k == r) {
                    ball->reverseY();
                }
            }
            break;
        case Corner::BottomLeft:
            if (vx > 0 && vy > 0) {
                ball->reverseY();
            } else if (vx < 0 && vy < 0) {
                ball->reverseX();
            } else if (vx <= 0 && vy >= 0) {
                if (m == t && k == r) {
                    ball->cornerRebound();
                } else if (m == b && k == r) {
                    ball->reverseX();
                } else if (m == t && k == l) {
                    ball->reverseY();
                }
            }
            break;
        case Corner::BottomRight:
            if (vx < 0 && vy > 0) {
                ball->reverseY();
            } else if (vx > 0 && vy < 0) {
                ball->reverseX();
            } else if (vx > 0 && vy > 0) {
                if (m == t && k == l) {
                    ball->cornerRebound();
                } else if (m == t && k == r) {
                    ball->reverseY();
                } else if (m == b && k == l) {
                    ball->reverseX();
                }
            }
            break;
    }
}

}  // namespace

bool Playfield::occupied(int column, int row) const {
    const Brick* brick = grid_[row][column].brick;
    return brick != nullptr && brick->isPresent();
}

void Playfield::collideBall(Ball* ball) {
    const Fixed x = ball->x();
    const Fixed y = ball->y();
    const int l = x / kCellWidth;
    const int r = (x + Ball::kSize) / kCellWidth;
    const int k = (x + Ball::kSize / 2) / kCellWidth;
    const int t = y / kCellHeight;
    const int b = (y + Ball::kSize) / kCellHeight;
    const int m = (y + Ball::kSize / 2) / kCellHeight;
    if (l < 0 || r > kColumns - 1 || t < 0 || b > kRows - 1) return;

    const bool tl = occupied(l, t);
    const bool tr = occupied(r, t);
    const bool bl = occupied(l, b);
    const bool br = occupied(r, b);
    const int count = tl + tr + bl + br;

    if (count == 0) return;
    if (count == 2 && tl && tr) {
        hitCell(k, t, ball);
        ball->reverseY();
    } else if (count == 2 && bl && br) {
        hitCell(k, b, ball);
        ball->reverseY();
    } else if (count == 2 && tl && bl) {
        hitCell(l, m, ball);
        ball->reverseX();
    } else if (count == 2 && tr && br) {
        hitCell(r, m, ball);
        ball->reverseX();
    } else if (tl && br) {
        // When all four corners lie in one cell that cell is hit twice in this tick; kept on
        // purpose, it is how a ball rising into the bottom row has always played.
        hitCell(l, t, ball);
        hitCell(r, b, ball);
        ball->reverseX();
        ball->reverseY();
    } else if (tr && bl) {
        hitCell(r, t, ball);
        hitCell(l, b, ball);
        ball->reverseX();
        ball->reverseY();
    } else if (tl) {
        reboundAtCorner(ball, Corner::TopLeft, t, b, m, l, r, k);
        hitCell(l, t, ball);
    } else if (tr) {
        reboundAtCorner(ball, Corner::TopRight, t, b, m, l, r, k);
        hitCell(r, t, ball);
    } else if (bl) {
        reboundAtCorner(ball, Corner::BottomLeft, t, b, m, l, r, k);
        hitCell(l, b, ball);
    } else {
        reboundAtCorner(ball, Corner::BottomRight, t, b, m, l, r, k);
        hitCell(r, b, ball);
    }
}

void Playfield::collideBullets() {
    for (auto it = bullets_.begin(); it != bullets_.end();) {
        Bullet* bullet = *it;
        const int column = bullet->centerX() / kCellWidth;
        const int row = bullet->y() / kCellHeight;
        if (column >= 0 && column < kColumns && row >= 0 && row < kRows && occupied(column, row)) {
            hitCell(column, row, nullptr);
            delete bullet;
            it = bullets_.erase(it);
        } else {
            ++it;
        }
    }
}

void Playfield::hitCell(int column, int row, const Ball* ball) {
    const bool fireBrick = grid_[row][column].brick->kind() == Brick::FireKind;
    const int32_t ballKind = ball != nullptr ? ball->kind() : Ball::Normal;
    if (ballKind == Ball::Fire) {
        explodeCell(column, row);
    } else if (ballKind == Ball::Thru) {
        smashCell(column, row);
    } else if (fireBrick) {
        // A bullet sets a fire brick off at once; a Normal ball only breaks it, and its blast
        // explodes the cell later.
        if (ball == nullptr) {
            explodeCell(column, row);
        } else {
            smashCell(column, row);
        }
    } else {
        strikeCell(column, row);
    }
}

void Playfield::strikeCell(int column, int row) {
    if (effectsAudible()) hitSound_->play();
    Brick* brick = grid_[row][column].brick;
    const Fixed centreX = px(kCellWidthPx * column + kCellCentreX);
    const Fixed centreY = px(kCellHeightPx * row + kCellCentreY);
    if (brick->hit() != 0) {
        effects_.push_back(new HitBurst(centreX, centreY));
        return;
    }
    if (brick->kind() != Brick::FireKind) effects_.push_back(new BreakBurst(centreX, centreY));
    releaseItem(column, row);
}

void Playfield::smashCell(int column, int row) {
    Brick* brick = grid_[row][column].brick;
    if (!brick->isPresent()) return;
    brick->destroy();
    if (brick->kind() != Brick::FireKind) {
        effects_.push_back(new BreakBurst(px(kCellWidthPx * column + kCellCentreX),
                                          px(kCellHeightPx * row + kCellCentreY)));
    }
    releaseItem(column, row);
}

void Playfield::explodeCell(int column, int row) {
    if (column < 0 || column >= kColumns || row < 0 || row >= kRows) return;
    smashCell(column, row);
    for (const auto& offset : kNeighbours) {
        const int c = column + offset[0];
        const int r = row + offset[1];
        if (c >= 0 && c < kColumns && r >= 0 && r < kRows && occupied(c, r)) smashCell(c, r);
    }
}

void Playfield::releaseItem(int column, int row) {
    const int32_t kind = grid_[row][column].hiddenItem;
    if (kind == 0) return;
    // Two draws in this order: vx first, then vy.
    const Fixed vx = (platform::nextRandom() - kRandomMiddle) >> 1;
    const Fixed vy = (platform::nextRandom() - kRandomMiddle) >> 1;
    items_.push_back(new Item(px(kCellWidthPx * column + kItemOffsetX),
                              px(kCellHeightPx * row + kItemOffsetY), vx, vy, kind));
}

bool Playfield::ballTouchesPaddle(const Ball* ball) const {
    return ball->bottom() > Paddle::kTop && ball->y() < Paddle::kTop &&
           ball->centerX() >= paddle_->x() && ball->centerX() <= paddle_->right();
}

bool Playfield::itemStraddlesPaddleLine(const Item* item) const {
    return item->bottom() > Paddle::kTop && item->y() < Paddle::kTop;
}

bool Playfield::itemOverlapsPaddle(const Item* item) const {
    return item->x() < paddle_->right() && item->right() > paddle_->x();
}
