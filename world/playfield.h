// Playfield: the game world of one game (grid, level table, paddle, balls, bullets, items,
// effects, lives, level and the two end-of-play flags).
#pragma once
#include <cstdint>
#include <list>

class Ball;
class Brick;
class Bullet;
class Canvas;
class DigitFont;
class Effect;
class Image;
class Item;
class Paddle;
class SoundClip;

// A moment whose sound carries meaning, shown as a picture for players who cannot hear it.
enum class SoundCue : uint8_t { None, LifeLost, ItemCaught, LastBrick };

// One cell of the brick grid: its brick (an Empty brick where nothing stands) and the kind of
// item its brick releases when it breaks (0 = none).
struct BrickCell {
    Brick* brick = nullptr;
    int32_t hiddenItem = 0;
};

class Playfield {
  public:
    static constexpr int kColumns = 11;
    static constexpr int kRows = 16;
    static constexpr int kLevels = 3;
    // Lives never go beyond this: ExtraLife stops adding and a saved game is held to it.
    static constexpr int32_t kMaxLives = 99;

    Playfield();
    ~Playfield();
    Playfield(const Playfield&) = delete;
    Playfield& operator=(const Playfield&) = delete;

    void newGame();
    void startLevel();
    // Deletes every ball, bullet, item, effect and brick; each cell is left an Empty brick
    // with no hidden item, and the paddle is reset, so it holds no deleted ball.
    void clearLevel();
    void moveLeft();
    void moveRight();
    void stopMoving();
    void action();
    void tick(int dt);
    void draw(Canvas* canvas) const;

    void saveGame();
    void loadGame();
    // Whether AutoSave.dat holds a game loadGame takes up (a game saved with a new game's
    // values counts); a missing or empty file is none.
    bool hasSavedGame() const;
    void resetSave();
    // Reads BrickMap.dat again into an empty level table, as a new playfield does.
    void reloadLevelTable();
    // The saved game's writes so far and the values written last: the game's record is kept
    // beside it and written on the same occasions.
    struct SaveWritten {
        uint32_t count = 0;
        int32_t level = 0;
        int32_t lives = 0;
        int32_t score = 0;
    };
    const SaveWritten& lastSave() const { return lastSave_; }

    int32_t level() const;
    bool levelCleared() const;
    bool gameOver() const;

    // The world's state as one number, for naming a game by what was played: the level and
    // lives, the paddle, every ball, bullet and item. A brick changes only where a ball or a
    // bullet strikes it, which turns the ball or spends the bullet and moves the score.
    uint64_t fingerprint() const;

    // Read-only views for tools that watch a game (the replay runner's autoplayer, the soak).
    const Paddle& paddleView() const { return *paddle_; }
    const std::list<Ball*>& ballList() const { return balls_; }
    int32_t livesLeft() const { return lives_; }

    // The last meaningful moment since the last call, then None. Only the pictures read it:
    // it is no part of the world's state, its fingerprint or the saved game.
    SoundCue takeCue() {
        const SoundCue cue = cue_;
        cue_ = SoundCue::None;
        return cue;
    }

  private:
    // Unit tests and the benchmark build positions by hand and call the collision steps.
    friend class PlayfieldTestAccess;

    // Deletes the level's objects and bricks, leaving the cells without bricks.
    void deleteLevel();
    // Deletes the balls, bullets, items and effects.
    void deleteObjects();

    // Level table (level_table.cpp).
    void loadBrickMap();
    void buildGrid();
    void buildEmptyGrid();
    // Replaces the brick of a cell (deleting the one there) with a new brick of the kind; an
    // empty cell that stays empty (in the same colour) keeps its brick, which never changes.
    void placeBrick(int column, int row, int32_t kind, int32_t colour);
    void hideItems();

    // Game tick (game_tick.cpp).
    void applyItem(const Item* item);
    void eightBall();
    void splitBall();
    void loseLife();
    void nextLevel();
    void addHeldBall();
    void explodeSpentFireBricks();
    bool hasCountableBrick() const;

    // Collisions (collisions.cpp).
    void collideBall(Ball* ball);
    void collideBullets();
    void hitCell(int column, int row, const Ball* ball);
    void strikeCell(int column, int row);
    void smashCell(int column, int row);
    void explodeCell(int column, int row);
    void releaseItem(int column, int row);
    bool occupied(int column, int row) const;
    bool ballTouchesPaddle(const Ball* ball) const;
    bool itemStraddlesPaddleLine(const Item* item) const;
    bool itemOverlapsPaddle(const Item* item) const;

    // Saved game (saved_game.cpp).
    void writeSave(int32_t savedLevel, int32_t savedLives, int32_t savedScore);

    // Drawing (playfield_drawing.cpp): the high-contrast look's status line.
    void drawLargeStatus(Canvas* canvas) const;

    Image* background_ = nullptr;
    Image* statusBar_ = nullptr;
    Image* bigDigits_ = nullptr;  // the high-contrast look's status line
    SoundClip* hitSound_ = nullptr;
    DigitFont* levelDisplay_ = nullptr;
    DigitFont* livesDisplay_ = nullptr;
    BrickCell grid_[kRows][kColumns];
    int32_t brickMap_[kLevels][kRows][kColumns] = {};
    Paddle* paddle_ = nullptr;
    std::list<Ball*> balls_;
    std::list<Bullet*> bullets_;
    std::list<Item*> items_;
    std::list<Effect*> effects_;
    int32_t lives_ = 0;
    int32_t level_ = 0;
    bool levelCleared_ = false;
    bool gameOver_ = false;
    SaveWritten lastSave_;
    SoundCue cue_ = SoundCue::None;
};
