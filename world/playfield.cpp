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
    background = new Image(instanceHandle, resource::kPlayBackground);
    statusBar = new Image(instanceHandle, resource::kStatusBar);
    levelDisplay = new DigitFont(instanceHandle, resource::kSmallDigits);
    livesDisplay = new DigitFont(instanceHandle, resource::kSmallDigits);
    paddle = new Paddle();
    // Every cell holds an Empty brick with no item from the start, as after clearLevel.
    buildEmptyGrid();
    loadBrickMap();
    hitSound = new SoundClip(programDirectory() + kHitSoundFileName, false);
}

Playfield::~Playfield() {
    delete background;
    delete statusBar;
    // The paddle only refers to balls; the ball list below still owns them.
    delete paddle;
    delete hitSound;
    delete levelDisplay;
    delete livesDisplay;
    paddle = nullptr;
    deleteLevel();
}

void Playfield::newGame() {
    lives = kStartLives;
    livesDisplay->setValue(lives);
    level_ = kFirstLevel;
    levelDisplay->setValue(level_);
    if (scoreCounter != nullptr) scoreCounter->setValue(0);
    gameOver_ = false;
}

void Playfield::startLevel() {
    clearLevel();
    buildGrid();
    hideItems();
    paddle->reset();
    addHeldBall();
    levelCleared_ = false;
}

void Playfield::deleteObjects() {
    deleteAll(balls);
    deleteAll(bullets);
    deleteAll(items);
    deleteAll(effects);
}

void Playfield::deleteLevel() {
    deleteObjects();
    for (auto& row : grid) {
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
    paddle->reset();
    buildEmptyGrid();
    for (auto& row : grid)
        for (BrickCell& cell : row) cell.hiddenItem = 0;
}

void Playfield::moveLeft() {
    paddle->moveLeft();
}
void Playfield::moveRight() {
    paddle->moveRight();
}
void Playfield::stopMoving() {
    paddle->stop();
}

void Playfield::action() {
    paddle->releaseBalls();
    if (paddle->mode() == Paddle::Shoot && bullets.size() <= kMaxBulletsBeforeFiring) {
        bullets.push_back(new Bullet(paddle->x(), Paddle::kTop));
        bullets.push_back(new Bullet(paddle->x() + paddle->width() - kBulletWidth, Paddle::kTop));
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
