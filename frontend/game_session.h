// The game session seam: what the application object tells about a game, whatever led there (a
// key, a click or tap, a gamepad button, the page's own buttons, a record played back). A game
// begins on New game or Continue and is in play until it ends (game over or victory) or the
// program stops with it saved; the listener (the recorder) hears of its start, of every key,
// release, tick, lost window and lucky draw while it is in play, of every write of the saved
// game, and of its end.
#pragma once
#include <cstdint>
#include <string>

#include "record/game_record.h"  // GameValues

// What play reads that was set before the game began.
struct SessionStart {
    uint32_t randomState = 0;  // the generator's state when New game or Continue was taken
    GameValues values;         // the level, lives and score play starts from
    bool continued = false;    // Continue (else New game)
    bool paused = false;       // play starts paused
    bool soundOn = true;
    bool musicOn = true;
    bool muted = false;
};

class GameSessionListener {
  public:
    virtual void gameBegan(const SessionStart& start) = 0;
    // A key of the game reached play (its code: the action key, the four directions or a soft
    // key); any key's release.
    virtual void keyPressed(uint32_t keyCode) = 0;
    virtual void keyReleased() = 0;
    // The window was lost, which pauses play (or resumes it, when it was paused).
    virtual void windowLost() = 0;
    // A tick of the game, and a draw that took random numbers (no other draw changes anything
    // but the picture).
    virtual void ticked() = 0;
    virtual void drewWithLuck() = 0;
    // The saved game was written with these values (in play or not).
    virtual void gameSaved(const GameValues& saved) = 0;
    // The game ended with the tick just told; answers the record that proves it (empty when
    // there is none), which goes up with its score.
    virtual std::string gameEnded() = 0;

  protected:
    ~GameSessionListener() = default;
};
