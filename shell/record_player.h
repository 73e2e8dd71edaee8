// RecordPlayer: plays a game record into the real program on the linked back end (the replay
// runner's headless one) and judges it on the way: the sessions must join, each must reach the
// values its cut saved, the last must end the game exactly where the record ends, and every
// draw the record holds must take random numbers, as every draw the recorder keeps did. Each
// session starts its game through the application's own New game or Continue, and the game's
// key is taken from the world's state after every tick.
#pragma once
#include <cstdint>
#include <functional>
#include <string>

#include "record/game_key.h"
#include "record/game_record.h"

struct PlayedRecord {
    bool proven = false;
    std::string reason;  // why not, in plain words
    int32_t score = 0;   // the game's final score, when proven
    std::string key;     // the game's key (GameKey), when proven
};

class RecordPlayer {
  public:
    // `afterTick`, when given, runs after every tick played (the replay runner moves its clock
    // and takes its shots there).
    explicit RecordPlayer(std::function<void()> afterTick = {})
        : afterTick_(std::move(afterTick)) {}

    // Creates and destroys the program's globals once per session; writes the saved game a
    // continued session starts from into the writable directory. Refuses the record once more
    // than `loneTicks` of its lone ticks have been played: those in which a paused game waits
    // are passed over at once and not counted.
    PlayedRecord play(const GameRecord& record, uint64_t loneTicks = UINT64_MAX);
    // The pace the session being played was played at (percent), for those who show it as it
    // was played: play itself never reads it.
    uint32_t pace() const { return pace_; }

  private:
    bool playSession(const RecordSession& session, PlayedRecord& result);
    // A tick; `drawFollows`: the record's next step is a draw.
    void tick(bool drawFollows);
    // A draw of the record: false when it took no random numbers.
    bool draw();

    std::function<void()> afterTick_;
    GameKey key_;
    uint64_t loneTicksLeft_ = 0;
    uint32_t pace_ = 100;
};
