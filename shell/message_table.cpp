// Message table: activation, keys, the pointer and focus routed to the application object and
// display.
#include "shell/message_table.h"

#include "frontend/game_app.h"
#include "frontend/pointer_steering.h"
#include "globals/globals.h"
#include "shell/display.h"

PointerSteering* pointerSteering = nullptr;

const MessageEntry messageTable[10] = {
    {platform::kMsgActivate, onActivate},    {platform::kMsgKeyDown, onKeyDown},
    {platform::kMsgKeyUp, onKeyUp},          {platform::kMsgSetFocus, onSetFocus},
    {platform::kMsgKillFocus, onKillFocus},  {platform::kMsgPointerMove, onPointer},
    {platform::kMsgPointerDown, onPointer},  {platform::kMsgPointerUp, onPointer},
    {platform::kMsgPointerLeave, onPointer}, {platform::kMsgChar, onChar},
};

int32_t windowProc(const platform::Message& message) {
    for (const MessageEntry& entry : messageTable) {
        if (entry.id == message.id) return entry.handler(message);
    }
    return platform::defaultWindowProc(message);
}

int32_t onActivate(const platform::Message& message) {
    const uint32_t state = message.wordParam & 0xFFFF;
    if (state == 1) {
        appActive = true;
    } else if (state == 0) {
        appActive = false;
        if (app != nullptr) app->togglePause();
    }
    return 0;
}

int32_t onKeyDown(const platform::Message& message) {
    if (app == nullptr) return 0;
    if (pointerSteering != nullptr) pointerSteering->noteKey(message);
    switch (message.wordParam) {
        case platform::kKeyAction:
            app->pressAction();
            break;
        case platform::kKeyLeft:
            app->pressLeft();
            break;
        case platform::kKeyUp:
            app->pressUp();
            break;
        case platform::kKeyRight:
            app->pressRight();
            break;
        case platform::kKeyDown:
            app->pressDown();
            break;
        case platform::kKeyHome:
            appRunning = false;
            break;
        case platform::kKeyLeftSoft:
            app->pressLeftSoft();
            break;
        case platform::kKeyRightSoft:
            app->pressRightSoft();
            break;
        default:
            break;
    }
    return 0;
}

int32_t onKeyUp(const platform::Message&) {
    if (app != nullptr) app->keyReleased();
    return 0;
}

int32_t onChar(const platform::Message& message) {
    if (app != nullptr) app->typeCharacter(static_cast<char32_t>(message.wordParam));
    return 0;
}

int32_t onPointer(const platform::Message& message) {
    if (app != nullptr && pointerSteering != nullptr) pointerSteering->handlePointer(message);
    return 0;
}

void sendSteeringKey(const platform::Message& key) {
    windowProc(key);
}

int32_t onSetFocus(const platform::Message&) {
    if (display != nullptr) display->resume();
    return 0;
}

int32_t onKillFocus(const platform::Message&) {
    if (display != nullptr) display->suspend();
    return 0;
}
