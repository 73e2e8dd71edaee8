// The browser back end's parts, as its service files share them.
#pragma once
#include <cstdint>

namespace platform::web {

// The window's message queue, filled by the page's events.
void post(uint32_t id, uint32_t wordParam, int32_t longParam = 0);
bool hasMessages();
// Ends a wait for messages at once (an event arrived).
void wake();

// Keyboard, pointer, touch, focus and visibility events of the page become messages.
void listenToPage();
// While the score exchange runs (the program waits for its replies), keys, clicks and touch
// buttons pressed are dropped with their releases.
void setExchanging(bool now);
// While the page's panel covers the game, the game is inactive and hears no gamepad.
void setCovered(bool now);
// Reads the gamepads when due; their changes become messages.
void readGamepads();

// The page's own clock (ms), which the program's trails while it catches up with its gates:
// sound plays by this one.
uint32_t pageMs();

// Delivers the done notices of sound blocks that are due; milliseconds until the next one.
void deliverSoundNotices();
uint32_t msUntilSoundNotice();

// The data files in the package, the player's files in the page's storage.
void prepareFiles();

// Hands the canvas the frame when it changed since it was last shown.
void presentFrame();

}  // namespace platform::web
