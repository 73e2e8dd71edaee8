// Entry point: single instance, window, globals, the paced main loop, orderly shutdown.
#include "shell/entry.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "assets/resource_ids.h"
#include "frontend/game_app.h"
#include "frontend/pointer_steering.h"
#include "frontend/screen_pointer.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/single_instance.h"
#include "platform/trace.h"
#include "platform/window.h"
#include "proof/game_recorder.h"
#include "shell/display.h"
#include "shell/frame_timer.h"
#include "shell/level_sets.h"
#include "shell/message_table.h"
#include "shell/pace.h"
#include "shell/program.h"
#include "shell/stale_input.h"
#include "sound/sound_clip.h"
#include "world/playfield.h"

namespace {
constexpr uint32_t kInactiveWaitMs = 100;  // no gate runs while inactive: only messages wake

template <typename T>
void deleteGlobal(T*& object) {
    delete object;
    object = nullptr;
}

// Its objects exist between createGlobals and destroyGlobals.
Program theProgram;

// The level, lives and score last written to the trace. Level and lives start unassigned (0),
// so their first values are written; a score of 0 at the start is not.
struct TracedState {
    int32_t level = 0;
    int32_t lives = 0;
    int32_t score = 0;
};
TracedState traced;

void traceChange(const char* name, int32_t now, int32_t& last) {
    if (now == last) return;
    last = now;
    platform::trace(std::string(name) + " " + std::to_string(now));
}

// After a tick or a key: the quantities that changed since they were last written, so that a
// replay compares the game's state and not only its screens and sounds.
void traceGameState() {
    const Playfield* playfield = theProgram.app->playfield();
    traceChange("level", playfield->level(), traced.level);
    traceChange("lives", playfield->livesLeft(), traced.lives);
    traceChange("score", scoreCounter->value(), traced.score);
}

}  // namespace

void afterGameStep() {
    traceGameState();
    if (platform::keepFilesCurrent()) theProgram.app->saveChanges(platform::tickCount());
}

Program& program() {
    return theProgram;
}

bool createGlobals() {
    theProgram.running = true;
    theProgram.active = true;
    theProgram.gameSavedOnExit = false;
    soundOn = true;
    musicOn = true;
    muted = false;
    traced = TracedState{};
    scoreCounter = new DigitFont(instanceHandle, resource::kSmallDigits);
    platform::seedRandom(platform::startupSeed());
    theProgram.display = std::make_unique<Display>();
    theProgram.drawGate = std::make_unique<FrameTimer>(kGateInterval);
    theProgram.tickGate = std::make_unique<FrameTimer>(kGateInterval);
    theProgram.app = std::make_unique<GameApp>();
    theProgram.steering = std::make_unique<PointerSteering>();
    theProgram.screenPointer = std::make_unique<ScreenPointer>();
    theProgram.recorder = std::make_unique<GameRecorder>();
    theProgram.app->setSessionListener(theProgram.recorder.get());
    explosionImage = new Image(instanceHandle, resource::kExplosion);
    blastSound = new SoundClip(programDirectory() + "blast.wav", false);
    return true;
}

void destroyGlobals() {
    if (theProgram.app != nullptr) {
        theProgram.gameSavedOnExit = theProgram.app->saveOnExit();
        theProgram.app->setSessionListener(nullptr);
    }
    theProgram.recorder.reset();
    theProgram.screenPointer.reset();
    theProgram.steering.reset();
    theProgram.tickGate.reset();
    theProgram.drawGate.reset();
    theProgram.display.reset();
    theProgram.app.reset();
    deleteGlobal(explosionImage);
    deleteGlobal(blastSound);
    deleteGlobal(scoreCounter);
}

void tickStep() {
    Program& p = theProgram;
    p.app->tick(kTickStep);
    handleSteeringKeys(p.steering->steer(*p.app, kTickStep));
    afterGameStep();
}

void drawStep() {
    theProgram.app->draw();
}

bool loopStep() {
    Program& p = theProgram;
    if (!p.active) return false;
    p.display->present(p.app->canvas());
    if (p.tickGate->ready()) tickStep();
    if (!p.drawGate->ready()) return false;
    drawStep();
    return true;
}

namespace {

// "Play on": the saved game taken up as the menu's Continue takes it, with the same key through
// the message table, so that its record begins as it does from the menu. Where there is none,
// the player is told and the title stays.
void takeUpSavedGame() {
    if (!theProgram.app->chooseContinue()) {
        platform::messageBox("There is no saved game to play on.", "Vextorium2");
        return;
    }
    windowProc({platform::kMsgKeyDown, platform::kKeyAction, 0});
    windowProc({platform::kMsgKeyUp, platform::kKeyAction, 0});
    afterGameStep();
}

}  // namespace

// How long the loop may wait for a message after a pass: not at all when it drew (the next
// pass hands the picture to the display), else until the first gate opens.
uint32_t idleWaitMs(bool drew) {
    if (!theProgram.active) return kInactiveWaitMs;
    if (drew) return 0;
    return std::min(theProgram.tickGate->msUntilReady(), theProgram.drawGate->msUntilReady());
}

int runProgram(bool fullScreen, bool playOn) {
    static const char instanceMarker = 0;
    instanceHandle = &instanceMarker;
    switch (platform::ensureSingleInstance(kWindowClass)) {
        case platform::InstanceCheck::First:
            break;
        case platform::InstanceCheck::OtherRaised:
            return kExitOk;
        case platform::InstanceCheck::Failed:
            std::fputs("vextorium2: cannot tell whether another copy is running\n", stderr);
            return kExitNoStart;
    }
    // Nothing of the game exists yet: a missing display ends the program here, as a failure.
    if (!platform::createWindow(kWindowTitle, fullScreen)) {
        std::fputs("vextorium2: cannot open the game window (no display or renderer)\n", stderr);
        return kExitNoStart;
    }
    useChosenLevelSet();
    if (!createGlobals()) {
        platform::destroyWindow();
        return kExitNoStart;
    }
    platform::showWindow();
    if (playOn) takeUpSavedGame();
    StaleInput staleInput;
    while (theProgram.running) {
        const bool drew = loopStep();
        platform::Message message;
        while (platform::takeMessage(message)) {
            if (staleInput.drops(message)) continue;
            windowProc(message);
            if (theProgram.app->takeExchangeRan()) staleInput.heldUp();
            if (message.id == platform::kMsgKeyDown || message.id == platform::kMsgKeyUp ||
                message.id == platform::kMsgPointerDown || message.id == platform::kMsgPointerUp)
                afterGameStep();
        }
        staleInput.caughtUp();
        if (theProgram.running) platform::waitForMessage(idleWaitMs(drew));
    }
    destroyGlobals();
    platform::destroyWindow();
    // Any orderly shutdown ends with status 0 (the last message's key code is not an exit code).
    return kExitOk;
}
