// GameRecorder: keeps the record of the game in play, fed by the shell's loop for every back
// end (the window, the page, the replay runner). It records from New game or Continue to the
// game's end at the level the game reads: ticks, the draws that took random numbers (no other
// draw changes anything but the picture) and the keys play receives (the pointer's steering
// has already turned the pointer into keys), plus the state play starts from. The record is written
// to GameRecord.dat whenever the saved game is, with the saved values as its cut, so a Continue can
// take it up; a record that is missing, damaged or does not match the saved game leaves that game
// unprovable and changes nothing else.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "proof/game_record.h"

class GameApp;

class GameRecorder {
  public:
    // Around every key press play may receive.
    void beforePress(const GameApp& app, uint32_t keyCode);
    void afterPress(const GameApp& app, uint32_t keyCode);
    void release();
    // The window went inactive (play pauses).
    void pauseToggle();
    // After the application's tick; the game's end closes the record. True when the game
    // ended with this tick (whether or not it can be proven).
    bool tick(const GameApp& app);
    void draw();
    // After anything that may have written the saved game: writes the record beside it if so.
    void afterSaves(const GameApp& app);

    // The encoded record of the game that ended last, empty when that game was unprovable;
    // handed over once.
    std::string takeFinished();

  private:
    enum class Mode { Idle, Recording, Ended, Unprovable };
    void begin(const GameApp& app, bool continued);
    void writeFile() const;

    Mode mode_ = Mode::Idle;
    GameRecord record_;
    std::vector<uint8_t> finished_;
    bool startPending_ = false;
    RecordSession pending_;
    uint32_t savesSeen_ = 0;
};
