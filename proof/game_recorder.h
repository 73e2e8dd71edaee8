// GameRecorder: keeps the record of the game in play, told by the application object what
// happens to its games, whatever started them and on every back end (the window, the page, the
// replay runner). It records from New game or Continue to the game's end at the level the game
// reads: ticks, the draws that took random numbers (no other draw changes anything but the
// picture) and the keys play receives (the pointer's steering has already turned the pointer
// into keys), plus the state play starts from. The record is written to GameRecord.dat whenever
// the saved game is, with the saved values as its cut, so a Continue can take it up; a record
// that is missing, damaged or does not match the saved game leaves that game unprovable and
// changes nothing else. A new game drops whatever record an earlier one left.
#pragma once
#include <cstdint>
#include <string>

#include "frontend/game_session.h"
#include "record/game_record.h"

class GameRecorder final : public GameSessionListener {
  public:
    void gameBegan(const SessionStart& start) override;
    void keyPressed(uint32_t keyCode) override;
    void keyReleased() override;
    void windowLost() override;
    void ticked() override;
    void drewWithLuck() override;
    void gameSaved(const GameValues& saved) override;
    std::string gameEnded() override;
    // The pace the program plays at from now on (percent): a session records the pace it began
    // at, or the slowest it was played at if that changed while it was in play.
    void paceInForce(uint32_t percent);

  private:
    enum class Mode { Idle, Recording, Ended, Unprovable };
    RecordSession& session() { return record_.sessions.back(); }

    Mode mode_ = Mode::Idle;
    GameRecord record_;
    uint32_t pace_ = 100;
};
