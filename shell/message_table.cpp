// Message table: activation, keys, the pointer and focus routed to the application object and
// display.
#include "shell/message_table.h"

#include "frontend/game_app.h"
#include "frontend/pointer_steering.h"
#include "frontend/screen_pointer.h"
#include "globals/globals.h"
#include "shell/display.h"
#include "shell/player_settings.h"
#include "shell/program.h"

const MessageEntry messageTable[10] = {
    {platform::kMsgActivate, onActivate},    {platform::kMsgKeyDown, onKeyDown},
    {platform::kMsgKeyUp, onKeyUp},          {platform::kMsgSetFocus, onSetFocus},
    {platform::kMsgKillFocus, onKillFocus},  {platform::kMsgPointerMove, onPointer},
    {platform::kMsgPointerDown, onPointer},  {platform::kMsgPointerUp, onPointer},
    {platform::kMsgPointerLeave, onPointer}, {platform::kMsgChar, onChar},
};

int32_t windowProc(const platform::Message& message) {
    // The settings screen, while open, takes the keys and the pointer before the game.
    if (settingsScreenTakes(message)) return 0;
    for (const MessageEntry& entry : messageTable) {
        if (entry.id == message.id) return entry.handler(message);
    }
    return platform::defaultWindowProc(message);
}

int32_t onActivate(const platform::Message& message) {
    const uint32_t state = message.wordParam & 0xFFFF;
    Program& p = program();
    if (state == 1) {
        p.active = true;
    } else if (state == 0) {
        p.active = false;
        if (p.app != nullptr) p.app->loseWindow();
    }
    return 0;
}

namespace {
// A key's press, from the keyboard or from the pointer's steering: the home key ends the
// program, the game's keys go to the application.
void pressKey(const platform::Message& message) {
    if (message.wordParam == platform::kKeyHome) {
        program().running = false;
        return;
    }
    program().app->pressGameKey(message.wordParam);
}
}  // namespace

int32_t onKeyDown(const platform::Message& message) {
    Program& p = program();
    if (p.app == nullptr) return 0;
    if (p.steering != nullptr) p.steering->noteKey(message);
    pressKey(message);
    return 0;
}

int32_t onKeyUp(const platform::Message&) {
    if (program().app == nullptr) return 0;
    program().app->keyReleased();
    return 0;
}

int32_t onChar(const platform::Message& message) {
    if (program().app != nullptr)
        program().app->typeCharacter(static_cast<char32_t>(message.wordParam));
    return 0;
}

int32_t onPointer(const platform::Message& message) {
    Program& p = program();
    if (p.app == nullptr || p.steering == nullptr || p.screenPointer == nullptr) return 0;
    if (p.screenPointer->handle(*p.app, message)) return 0;
    handleSteeringKeys(p.steering->handlePointer(message, *p.app));
    return 0;
}

void handleSteeringKeys(const SteeringKeys& keys) {
    for (const platform::Message& key : keys) {
        if (key.id == platform::kMsgKeyDown)
            pressKey(key);
        else
            onKeyUp(key);
    }
}

int32_t onSetFocus(const platform::Message&) {
    if (program().display != nullptr) program().display->resume();
    return 0;
}

int32_t onKillFocus(const platform::Message&) {
    if (program().display != nullptr) program().display->suspend();
    return 0;
}
