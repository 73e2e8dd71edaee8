// Entry point: single instance, window, globals, the paced main loop, orderly shutdown.
#include "shell/entry.h"

#include <algorithm>

#include "frontend/game_app.h"
#include "graphics/digit_font.h"
#include "platform/random.h"
#include "platform/single_instance.h"
#include "platform/window.h"
#include "shell/display.h"
#include "shell/frame_timer.h"
#include "shell/globals.h"
#include "shell/message_table.h"
#include "sound/sound_clip.h"

namespace {
constexpr uint32_t kGateInterval = 10;  // ms
constexpr int kTickStep = 10;           // game time per tick, whatever really passed
constexpr int kDigitStrip = 115;
constexpr int kExplosionSheet = 163;
constexpr uint32_t kInactiveWaitMs = 100;  // no gate runs while inactive: only messages wake

template <typename T>
void deleteGlobal(T*& object) {
    delete object;
    object = nullptr;
}
}  // namespace

bool createGlobals() {
    appRunning = true;
    appActive = true;
    soundOn = true;
    musicOn = true;
    muted = false;
    scoreCounter = new DigitFont(instanceHandle, kDigitStrip);
    platform::seedRandom(platform::startupSeed());
    display = new Display();
    drawGate = new FrameTimer(kGateInterval);
    tickGate = new FrameTimer(kGateInterval);
    app = new GameApp();
    explosionImage = new Image(instanceHandle, kExplosionSheet);
    blastSound = new SoundClip(programDirectory() + "blast.wav", false);
    return true;
}

void destroyGlobals() {
    if (app != nullptr) app->saveOnExit();
    deleteGlobal(tickGate);
    deleteGlobal(drawGate);
    deleteGlobal(display);
    deleteGlobal(app);
    deleteGlobal(explosionImage);
    deleteGlobal(blastSound);
    deleteGlobal(scoreCounter);
}

bool loopStep() {
    if (!appActive) return false;
    display->present(app->canvas());
    if (tickGate->ready()) app->tick(kTickStep);
    if (!drawGate->ready()) return false;
    app->draw();
    return true;
}

// How long the loop may wait for a message after a pass: not at all when it drew (the next
// pass hands the picture to the display), else until the first gate opens.
uint32_t idleWaitMs(bool drew) {
    if (!appActive) return kInactiveWaitMs;
    if (drew) return 0;
    return std::min(tickGate->msUntilReady(), drawGate->msUntilReady());
}

int runProgram() {
    static const char instanceMarker = 0;
    instanceHandle = &instanceMarker;
    if (platform::ensureSingleInstance(kWindowClass) != platform::InstanceCheck::First) return 0;
    if (!platform::createWindow(kWindowTitle)) return 0;
    if (!createGlobals()) return 0;
    platform::showWindow();
    while (appRunning) {
        const bool drew = loopStep();
        platform::Message message;
        while (platform::takeMessage(message)) windowProc(message);
        if (appRunning) platform::waitForMessage(idleWaitMs(drew));
    }
    destroyGlobals();
    platform::destroyWindow();
    // Any orderly shutdown ends with status 0 (the last message's key code is not an exit code).
    return 0;
}
