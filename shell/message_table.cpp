// Message table: activation, keys and focus routed to the application object and display.
#include "shell/message_table.h"

#include "frontend/game_app.h"
#include "globals/globals.h"
#include "shell/display.h"

const MessageEntry messageTable[5] = {
    {platform::kMsgActivate, onActivate},   {platform::kMsgKeyDown, onKeyDown},
    {platform::kMsgKeyUp, onKeyUp},         {platform::kMsgSetFocus, onSetFocus},
    {platform::kMsgKillFocus, onKillFocus},
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

int32_t onSetFocus(const platform::Message&) {
    if (display != nullptr) display->resume();
    return 0;
}

int32_t onKillFocus(const platform::Message&) {
    if (display != nullptr) display->suspend();
    return 0;
}
