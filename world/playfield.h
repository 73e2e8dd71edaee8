// Playfield: the game world of one game (grid, level table, paddle, balls, bullets, items,
// effects, lives, level and the two end-of-play flags).
#pragma once
#include <cstdint>

class Canvas;

class Playfield {
public:
    Playfield();
    virtual ~Playfield();
    Playfield(const Playfield&) = delete;
    Playfield& operator=(const Playfield&) = delete;

    void newGame();
    void startLevel();
    void clearLevel();
    void moveLeft();
    void moveRight();
    void stopMoving();
    void action();
    void tick(int dt);
    void draw(Canvas* canvas) const;

    void saveGame();
    void loadGame();
    void resetSave();

    int32_t level() const;
    bool levelCleared() const;
    bool gameOver() const;
};
