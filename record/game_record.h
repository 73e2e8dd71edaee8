// GameRecord: everything a game's outcome depends on, from New game or Continue to its end:
// per session (one run of the program) the state play starts from, then the ticks, draws and
// delivered keys in order, then either a cut (the values the saved game held when the session
// ended) or the game's end.
#pragma once
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

// The saved game's values: a session starts from them and a cut holds them.
struct GameValues {
    int32_t level = 1;
    int32_t lives = 3;
    int32_t score = 0;
    bool operator==(const GameValues&) const = default;
};

// One entry of a session: a run of ticks each followed by a draw, of lone ticks, of lone draws,
// or one key press, key release or pause toggle (the window going inactive).
struct RecordStep {
    enum Kind : uint8_t { TickDraw = 0, Tick = 1, Draw = 2, Press = 3, Release = 4, Pause = 5 };
    Kind kind = TickDraw;
    uint32_t value = 1;  // a run's length; a press's key (keyIndex)
    bool operator==(const RecordStep&) const = default;
};

struct RecordSession {
    // Flags of the state play starts from.
    static constexpr uint8_t kContinued = 1;  // Continue (else New game) started the session
    static constexpr uint8_t kPaused = 2;     // play starts paused
    static constexpr uint8_t kSoundOn = 4;
    static constexpr uint8_t kMusicOn = 8;
    static constexpr uint8_t kMuted = 16;
    static constexpr uint8_t kAllFlags = 31;

    uint32_t randomState = 0;  // the generator's state when the menu's action was taken
    GameValues start;
    uint8_t flags = 0;
    // The pace the session was played at (percent; the slowest, if it changed during the
    // session). It changes only the time between ticks, so nothing played reads it.
    uint32_t pace = 100;
    std::vector<RecordStep> steps;
    std::optional<GameValues> cut;  // none: the game ended with this session

    // The builders keep the steps in their one shortest form, so that the same game always
    // has the same steps (and the same encoding).
    void addTick();
    void addDraw();
    void addPress(uint32_t keyIndex);
    void addRelease();
    void addPause();

    bool operator==(const RecordSession&) const = default;

  private:
    void addRun(RecordStep::Kind kind, uint32_t count);
};

struct GameRecord {
    uint32_t rulesVersion = 0;
    std::array<uint8_t, 32> levelHash{};  // SHA-256 of the level file's bytes
    std::vector<RecordSession> sessions;
    bool operator==(const GameRecord&) const = default;
};

// The paces a record may say a session was played at: full (100 percent) and the slower ones a
// player may choose (shell/pace.h keeps to these).
inline constexpr bool recordablePace(uint32_t percent) {
    return percent == 100 || percent == 75 || percent == 50;
}
// The pace of a whole game: its slowest session's, so that only a game played at full pace
// throughout counts as one (100 for a record of no sessions).
uint32_t gamePace(const GameRecord& record);

// The keys a record holds, by index: action, left, up, right, down, left soft, right soft.
inline constexpr int kRecordKeys = 7;
// The index of a key code, or -1 for a key play does not read.
int keyIndex(uint32_t keyCode);
uint32_t keyCode(uint32_t keyIndex);

// What playing a record costs, in steps of about a tick's work each: every byte read, every
// session started (starting the program costs about as much as kStepsPerSession ticks), every
// draw, key, release and pause, and every tick that carries a draw. Lone ticks are charged as
// they are played, and not at all while the game waits paused, so a game paused for a night
// costs no more than the play around it.
inline constexpr uint64_t kStepsPerSession = 5000;
// A step's cost before play (a lone tick run's: none) and a session's.
uint64_t stepCost(const RecordStep& step);
uint64_t stepCount(const RecordSession& session);
