// The window's message table and its handlers.
#pragma once
#include <cstdint>

#include "platform/window.h"

using MessageHandler = int32_t (*)(const platform::Message& message);

struct MessageEntry {
    uint32_t id;
    MessageHandler handler;
};

class SteeringKeys;

extern const MessageEntry messageTable[9];

int32_t onActivate(const platform::Message& message);
int32_t onKeyDown(const platform::Message& message);
int32_t onKeyUp(const platform::Message& message);
// Every pointer message goes to the pointer's steering, which answers with keys.
int32_t onPointer(const platform::Message& message);
int32_t onSetFocus(const platform::Message& message);
int32_t onKillFocus(const platform::Message& message);

// The keys the pointer's steering wants, in order, handled as real keys are (without being shown
// to the steering as real keys).
void handleSteeringKeys(const SteeringKeys& keys);

// First matching entry's handler, else the platform's default handling.
int32_t windowProc(const platform::Message& message);
