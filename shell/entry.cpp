// Entry point: single instance, window, globals, the paced main loop, orderly shutdown.
#include "shell/entry.h"

#include <algorithm>
#include <cstdint>

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
    const bool ticked = tickGate->ready();
    if (ticked) app->tick(kTickStep);
    const bool drawn = drawGate->ready();
    if (drawn) app->draw();
    return ticked || drawn;
}

namespace {
// How long the passes after one that changed nothing would go on changing nothing, if no
// message came: until a gate opens, or for ever while the program is inactive.
uint32_t idleAfterQuietPass() {
    if (!appActive) return UINT32_MAX;
    return std::max<uint32_t>(1, std::min(tickGate->msUntilReady(), drawGate->msUntilReady()));
}
}  // namespace

int runProgram() {
    static const char instanceMarker = 0;
    instanceHandle = &instanceMarker;
    if (platform::ensureSingleInstance(kWindowClass) != platform::InstanceCheck::First) return 0;
    if (!platform::createWindow(kWindowTitle)) return 0;
    if (!createGlobals()) return 0;
    platform::showWindow();
    while (appRunning) {
        platform::nothingDueFor(loopStep() ? 1 : idleAfterQuietPass());
        platform::Message message;
        while (platform::takeMessage(message)) windowProc(message);
    }
    destroyGlobals();
    platform::destroyWindow();
    // Any orderly shutdown ends with status 0 (the last message's key code is not an exit code).
    return 0;
}
