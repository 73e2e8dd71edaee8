// The window's message table and its five handlers.
#pragma once
#include <cstdint>

#include "platform/window.h"

using MessageHandler = int32_t (*)(const platform::Message& message);

struct MessageEntry {
    uint32_t id;
    MessageHandler handler;
};

extern const MessageEntry messageTable[5];

int32_t onActivate(const platform::Message& message);
int32_t onKeyDown(const platform::Message& message);
int32_t onKeyUp(const platform::Message& message);
int32_t onSetFocus(const platform::Message& message);
int32_t onKillFocus(const platform::Message& message);

// First matching entry's handler, else the platform's default handling.
int32_t windowProc(const platform::Message& message);
