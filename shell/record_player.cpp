// RecordPlayer: a session at a time, through the same steps as the main loop.
#include "shell/record_player.h"

#include "frontend/game_app.h"
#include "frontend/pointer_steering.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/random.h"
#include "platform/window.h"
#include "shell/display.h"
#include "shell/entry.h"
#include "shell/message_table.h"
#include "shell/program.h"
#include "world/playfield.h"
#include "world/saved_game.h"

namespace {
GameValues currentValues() {
    const Playfield* field = program().app->playfield();
    return {field->level(), field->livesLeft(), scoreCounter->value()};
}

void deliverKey(uint32_t id, uint32_t code) {
    SteeringKeys keys;
    keys.add(id, code);
    handleSteeringKeys(keys);
    afterGameStep();
}

// What the game's key is taken from after a tick: the world, the generator, the score and the
// screen (a wipe counted as its target, so that its steps are one state). The pause is left
// out: a paused game does not move, and its ticks are one state with those around it. Kept out
// of line, so that a profile shows the key's share of a verification (bench/proofs/key-share).
[[gnu::noinline]] void addStateToKey(GameKey& key) {
    const GameApp& app = *program().app;
    const uint32_t screen =
        app.state() == TRANSITION ? 0x100 | app.transition()->target : app.state();
    const uint64_t counters =
        (uint64_t{platform::randomState} << 32) | static_cast<uint32_t>(scoreCounter->value());
    key.addState(app.playfield()->fingerprint() ^ GameKey::mix(counters ^ screen));
}
}  // namespace

void RecordPlayer::tick(bool drawFollows) {
    tickStep();
    addStateToKey(key_);
    if (!afterTick_) return;
    // Played back for people: the frame is drawn after every tick, as the game drew it. A draw
    // the record leaves out took no random numbers, so this one takes none either (and any it
    // would take are given back).
    if (!drawFollows) program().app->drawPictureOnly();
    // The picture as it stands goes to the display, as the main loop hands it over on each pass.
    program().display->present(program().app->canvas());
    afterTick_();
}

bool RecordPlayer::draw() {
    const uint32_t before = platform::randomState;
    drawStep();
    return platform::randomState != before;
}

PlayedRecord RecordPlayer::play(const GameRecord& record, uint64_t loneTicks) {
    PlayedRecord result;
    key_ = GameKey{};
    loneTicksLeft_ = loneTicks;
    const size_t count = record.sessions.size();
    if (count == 0) {
        result.reason = "the record holds no game";
        return result;
    }
    for (size_t i = 0; i < count; ++i) {
        const RecordSession& session = record.sessions[i];
        const GameValues expected = i == 0 ? GameValues{} : *record.sessions[i - 1].cut;
        if ((i > 0 && (session.flags & RecordSession::kContinued) == 0) ||
            !(session.start == expected)) {
            result.reason = "the sessions do not join";
            return result;
        }
        if (i + 1 == count && session.cut) {
            result.reason = "the game has not ended";
            return result;
        }
        if (i + 1 < count && !session.cut) {
            result.reason = "the record goes on after its game ended";
            return result;
        }
    }
    for (const RecordSession& session : record.sessions) {
        if (!playSession(session, result)) return result;
    }
    result.proven = true;
    result.key = key_.hex(record.rulesVersion, record.levelHash);
    return result;
}

bool RecordPlayer::playSession(const RecordSession& session, PlayedRecord& result) {
    auto fail = [&](const char* reason) {
        result.reason = reason;
        destroyGlobals();
        return false;
    };
    pace_ = session.pace;
    createGlobals();
    GameApp& app = *program().app;
    // The state play starts from, then the game is started as the menu starts it.
    const bool continued = (session.flags & RecordSession::kContinued) != 0;
    if (app.gameRunning() == ((session.flags & RecordSession::kPaused) != 0)) app.togglePause();
    soundOn = (session.flags & RecordSession::kSoundOn) != 0;
    musicOn = (session.flags & RecordSession::kMusicOn) != 0;
    muted = (session.flags & RecordSession::kMuted) != 0;
    if (continued) writeSavedGame(session.start.level, session.start.lives, session.start.score);
    platform::seedRandom(session.randomState);
    app.startGame(continued);
    afterGameStep();
    if (!app.inGame() || !(currentValues() == session.start))
        return fail("the sessions do not join");

    bool ended = false;
    for (size_t s = 0; s < session.steps.size(); ++s) {
        const RecordStep& step = session.steps[s];
        const bool drawNext =
            s + 1 < session.steps.size() && session.steps[s + 1].kind == RecordStep::Draw;
        if (ended) return fail("the record goes on after its game ended");
        switch (step.kind) {
            case RecordStep::Tick:
                // A paused game waits: nothing of it changes until a key or the window moves it.
                // Its ticks cost nothing, and a verification passes over them at once (played
                // back for people, they pass as they did).
                if (app.state() == PLAY && !app.gameRunning()) {
                    if (!afterTick_) break;
                } else if (loneTicksLeft_ < step.value) {
                    return fail("the record is over the step limit");
                } else {
                    loneTicksLeft_ -= step.value;
                }
                [[fallthrough]];
            case RecordStep::TickDraw:
            case RecordStep::Draw:
                for (uint32_t n = 0; n < step.value && !ended; ++n) {
                    if (step.kind != RecordStep::Draw) {
                        tick(step.kind == RecordStep::TickDraw ||
                             (n + 1 == step.value && drawNext));
                        ended = !app.inGame();
                        if (ended && (n + 1 < step.value || step.kind == RecordStep::TickDraw))
                            return fail("the record goes on after its game ended");
                    }
                    if (step.kind != RecordStep::Tick && !draw())
                        return fail("a draw of the record takes no random numbers");
                }
                break;
            case RecordStep::Press:
                deliverKey(platform::kMsgKeyDown, keyCode(step.value));
                break;
            case RecordStep::Release:
                deliverKey(platform::kMsgKeyUp, 0);
                break;
            case RecordStep::Pause:
                windowProc({platform::kMsgActivate, 0, 0});
                windowProc({platform::kMsgActivate, 1, 0});
                break;
        }
    }
    if (session.cut) {
        if (ended) return fail("the record goes on after its game ended");
        if (!(currentValues() == *session.cut))
            return fail("a session does not reach the values saved at its end");
    } else {
        if (!ended) return fail("the game has not ended");
        result.score = scoreCounter->value();
    }
    destroyGlobals();
    return true;
}
