// Playfield: construction and destruction, a new game, level set-up and the keys of play.
#include "world/playfield.h"

#include <cstddef>

#include "assets/resource_ids.h"
#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/effect.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "sound/sound_clip.h"

namespace {

constexpr const char* kHitSoundFileName = "hit.wav";

constexpr int32_t kStartLives = 3;
constexpr int32_t kFirstLevel = 1;

constexpr std::size_t kMaxBulletsBeforeFiring = 5;  // two more make at most 7 in flight
constexpr Fixed kBulletWidth = 0x30000;             // 3 px

template <typename T>
void deleteAll(std::list<T*>& list) {
    for (T* element : list) delete element;
    list.clear();
}

}  // namespace

Playfield::Playfield() {
    background_ = new Image(instanceHandle, resource::kPlayBackground);
    statusBar_ = new Image(instanceHandle, resource::kStatusBar);
    bigDigits_ = new Image(instanceHandle, resource::kBigDigits);
    levelDisplay_ = new DigitFont(instanceHandle, resource::kSmallDigits);
    livesDisplay_ = new DigitFont(instanceHandle, resource::kSmallDigits);
    paddle_ = new Paddle();
    // Every cell holds an Empty brick with no item from the start, as after clearLevel.
    buildEmptyGrid();
    loadBrickMap();
    hitSound_ = new SoundClip(programDirectory() + kHitSoundFileName, false);
}

Playfield::~Playfield() {
    delete background_;
    delete statusBar_;
    delete bigDigits_;
    // The paddle only refers to balls; the ball list below still owns them.
    delete paddle_;
    delete hitSound_;
    delete levelDisplay_;
    delete livesDisplay_;
    paddle_ = nullptr;
    deleteLevel();
}

void Playfield::newGame() {
    lives_ = kStartLives;
    livesDisplay_->setValue(lives_);
    level_ = kFirstLevel;
    levelDisplay_->setValue(level_);
    if (scoreCounter != nullptr) scoreCounter->setValue(0);
    gameOver_ = false;
}

void Playfield::startLevel() {
    clearLevel();
    buildGrid();
    hideItems();
    paddle_->reset();
    addHeldBall();
    levelCleared_ = false;
}

void Playfield::deleteObjects() {
    deleteAll(balls_);
    deleteAll(bullets_);
    deleteAll(items_);
    deleteAll(effects_);
}

void Playfield::deleteLevel() {
    deleteObjects();
    for (auto& row : grid_) {
        for (BrickCell& cell : row) {
            delete cell.brick;
            cell.brick = nullptr;
            cell.hiddenItem = 0;
        }
    }
}

void Playfield::clearLevel() {
    deleteObjects();
    // Drawing, ticking and the collision steps take every cell's brick as given, and the
    // paddle's held balls were just deleted: neither may be left dangling.
    paddle_->reset();
    buildEmptyGrid();
    for (auto& row : grid_)
        for (BrickCell& cell : row) cell.hiddenItem = 0;
}

void Playfield::moveLeft() {
    paddle_->moveLeft();
}
void Playfield::moveRight() {
    paddle_->moveRight();
}
void Playfield::stopMoving() {
    paddle_->stop();
}

void Playfield::action() {
    paddle_->releaseBalls();
    if (paddle_->mode() == Paddle::Shoot && bullets_.size() <= kMaxBulletsBeforeFiring) {
        bullets_.push_back(new Bullet(paddle_->x(), Paddle::kTop));
        bullets_.push_back(
            new Bullet(paddle_->x() + paddle_->width() - kBulletWidth, Paddle::kTop));
    }
}

int32_t Playfield::level() const {
    return level_;
}
bool Playfield::levelCleared() const {
    return levelCleared_;
}
bool Playfield::gameOver() const {
    return gameOver_;
}
