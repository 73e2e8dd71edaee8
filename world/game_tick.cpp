// Playfield: one game step, the effects of caught items, a lost life and a cleared level.
#include <cstddef>

#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/effect.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "graphics/digit_font.h"
#include "world/playfield.h"

namespace {

constexpr Fixed kLostBelow = 0xD80000;   // 216 px: balls and items below this are gone
constexpr Fixed kStartBallX = 0x580000;  // 88 px
constexpr int32_t kItemPoints = 100;

// EightBall: the first ball's new velocity and those of its seven companions, in the order
// they are added; eight directions 22.5 degrees off the axes, each about 0.25 px per unit.
constexpr Fixed kEightBallSpeed = 0x3000;
constexpr Fixed kEightBallVelocities[8][2] = {{6270, 15136},   {-6270, 15136}, {6270, -15136},
                                              {-6270, -15136}, {15136, 6270},  {-15136, 6270},
                                              {15136, -6270},  {-15136, -6270}};

// Removes (and deletes) each element for which `gone` holds, keeping the order of the rest.
template <typename T, typename Gone>
void removeIf(std::list<T*>& list, Gone gone) {
    for (auto it = list.begin(); it != list.end();) {
        if (gone(*it)) {
            delete *it;
            it = list.erase(it);
        } else {
            ++it;
        }
    }
}

}  // namespace

void Playfield::tick(int dt) {
    // 1. The paddle moves and carries its held balls.
    paddle_->update(dt);

    // 2. Each ball moves, then meets the paddle whatever its direction.
    for (Ball* ball : balls_) {
        ball->update(dt);
        if (ballTouchesPaddle(ball)) {
            if (paddle_->mode() == Paddle::Stick) {
                paddle_->catchBall(ball);
            } else {
                paddle_->bounceBall(ball);
            }
        }
    }

    // 3-4. Balls that fell out are gone; with none left the paddle explodes (once).
    removeIf(balls_, [](const Ball* ball) { return ball->y() > kLostBelow; });
    if (balls_.empty()) paddle_->explode();

    // 5. Bullets rise and leave above the screen.
    removeIf(bullets_, [dt](Bullet* bullet) {
        bullet->update(dt);
        return bullet->bottom() < 0;
    });

    // 6. Bricks animate (fire bricks advance their blasts).
    for (auto& row : grid_) {
        for (BrickCell& cell : row) {
            if (cell.brick->animated()) cell.brick->update(dt);
        }
    }

    // 7-8. Bullets, then balls, against the grid.
    collideBullets();
    for (Ball* ball : balls_) collideBall(ball);

    // 9-10. Items fall; those straddling the paddle's top line are caught when they overlap
    // the bar, and stay while they straddle it beside the bar.
    for (Item* item : items_) item->update(dt);
    removeIf(items_, [this](const Item* item) {
        if (itemStraddlesPaddleLine(item)) {
            if (!itemOverlapsPaddle(item)) return false;
            applyItem(item);
            return true;
        }
        return item->y() > kLostBelow;
    });

    // 11. Effects age and go when finished.
    removeIf(effects_, [dt](Effect* effect) {
        effect->update(dt);
        return effect->isFinished();
    });

    // 12. Spent fire bricks explode into their neighbours.
    explodeSpentFireBricks();

    // 13. A finished paddle explosion costs a life.
    if (paddle_->explosionDone()) loseLife();

    // 14. No countable brick left: the level is won.
    if (!hasCountableBrick()) {
        cue_ = SoundCue::LastBrick;
        nextLevel();
    }
}

void Playfield::explodeSpentFireBricks() {
    for (int i = 0; i < kRows; ++i) {
        for (int j = 0; j < kColumns; ++j) {
            Brick* brick = grid_[i][j].brick;
            if (brick->kind() != Brick::FireKind || brick->isPresent()) continue;
            // A spent fire brick answers true on every tick after its blast; the repeated
            // explosions find nothing left to destroy. Kept on purpose.
            if (brick->takeExploded()) explodeCell(j, i);
        }
    }
}

bool Playfield::hasCountableBrick() const {
    for (const auto& row : grid_) {
        for (const BrickCell& cell : row) {
            if (cell.brick->isPresent() && cell.brick->kind() != Brick::StableKind) return true;
        }
    }
    return false;
}

void Playfield::applyItem(const Item* item) {
    cue_ = SoundCue::ItemCaught;
    addScore(kItemPoints);
    switch (item->kind()) {
        case Item::BulletBoard:
            paddle_->setMode(Paddle::Shoot);
            break;
        case Item::EightBall:
            eightBall();
            break;
        case Item::ExpandBoard:
            paddle_->enlarge();
            break;
        case Item::ExtraLife:
            if (lives_ < kMaxLives) ++lives_;
            livesDisplay_->setValue(lives_);
            break;
        case Item::FastBall:
            for (Ball* ball : balls_) ball->speedUp();
            break;
        case Item::FireBall:
            for (Ball* ball : balls_) ball->setKind(Ball::Fire);
            break;
        case Item::KillLife:
            paddle_->explode();
            break;
        case Item::NextLevel:
            nextLevel();
            break;
        case Item::ShrinkBoard:
            paddle_->shrink();
            break;
        case Item::SlowBall:
            for (Ball* ball : balls_) ball->slowDown();
            break;
        case Item::SplitBall:
            splitBall();
            break;
        case Item::StickBoard:
            paddle_->setMode(Paddle::Stick);
            break;
        case Item::ThruBall:
            for (Ball* ball : balls_) ball->setKind(Ball::Thru);
            break;
        case Item::ZapBrick:
            for (auto& row : grid_)
                for (BrickCell& cell : row) cell.brick->weaken();
            break;
        default:
            break;
    }
}

void Playfield::eightBall() {
    if (balls_.empty()) return;
    Ball* first = balls_.front();
    const Fixed x = first->x();
    const Fixed y = first->y();
    const int32_t kind = first->kind();
    first->setSpeed(kEightBallSpeed);
    first->setVx(kEightBallVelocities[0][0]);
    first->setVy(kEightBallVelocities[0][1]);
    // The companions fly free even when the first ball stays held.
    for (int n = 1; n < 8; ++n) {
        balls_.push_back(new Ball(x, y, kEightBallVelocities[n][0], kEightBallVelocities[n][1],
                                  kEightBallSpeed, kind));
    }
}

void Playfield::splitBall() {
    // Only the balls in play before the catch are split, not their new twins.
    const std::size_t count = balls_.size();
    auto it = balls_.begin();
    for (std::size_t n = 0; n < count; ++n, ++it) {
        const Ball* old = *it;
        Ball* twin = new Ball(old->x(), old->y(), -old->vy(), old->vx(), old->speed(), old->kind());
        balls_.push_back(twin);
        if (old->held()) paddle_->catchBall(twin);
    }
}

void Playfield::loseLife() {
    cue_ = SoundCue::LifeLost;
    --lives_;
    livesDisplay_->setValue(lives_);
    // Lives never start below 1, so this is the tick the last one went.
    if (lives_ <= 0) {
        gameOver_ = true;
        return;
    }
    paddle_->reset();
    for (Ball* ball : balls_) delete ball;
    balls_.clear();
    addHeldBall();
}

void Playfield::nextLevel() {
    ++level_;
    levelDisplay_->setValue(level_);
    if (level_ > kLevels) gameOver_ = true;
    levelCleared_ = true;
}

void Playfield::addHeldBall() {
    Ball* ball = new Ball(kStartBallX, Paddle::kHeldBallY, 0, 0, Ball::kNewBallSpeed, Ball::Normal);
    balls_.push_back(ball);
    paddle_->catchBall(ball);
}
