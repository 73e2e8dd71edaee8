// Controls of the headless back end: virtual clock, scripted input, captured frames and the
// trace. Used by the replay runner and by tests.
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <optional>
#include <string>
#include <vector>

#include "platform/window.h"

namespace platform::headless {

struct ScriptEvent {
    enum class Kind {
        KeyDown,
        KeyUp,
        Activate,
        Focus,
        Close,
        Shot,
        PointerMove,
        PointerDown,
        PointerUp,
        PointerLeave,
        Char
    };
    uint32_t ms = 0;
    Kind kind = Kind::KeyDown;
    // Key code; 0/1 for activate and focus; the pointer's place (packPointer) for the pointer;
    // the character (or kCharBackspace) for a typed one.
    uint32_t value = 0;
    std::string file;  // for shot
};

// Reads `MS EVENT [ARG]` lines (MS non-decreasing, '#' starts a comment) into events ordered
// by millisecond, keeping script order within one; a press gives a down at MS and an up at
// MS + 1. The pointer: `MS pointer X Y` moves it over the frame (X 0..175, Y 0..219), `MS click`
// presses it at MS and releases it at MS + 1 where it last moved, `MS leave` takes it off the
// frame. Typing: `MS type TEXT` types each character of TEXT (printable ASCII, no blanks) in
// order at MS, `MS backspace` the Backspace key. False with a one-line reason on the first bad
// line.
bool parseScript(std::istream& in, std::vector<ScriptEvent>& events, std::string& error);

// Back to virtual time 0 with no script, no queued messages, no trace and no seed.
void reset();

void setScript(std::vector<ScriptEvent> events);
// The program is closed at this millisecond, after its script events. Without it, right
// after the millisecond of the last script event.
void setUntil(std::optional<uint32_t> ms);
void setSeed(std::optional<uint32_t> seed);
// What platform::webEdition and platform::touchScreen answer (both false until set).
void setEdition(bool web, bool touch);
// Trace lines go to this file; without one (empty path) they are kept in memory.
bool setTraceFile(const std::string& path);
const std::vector<std::string>& traceLines();

// Called once per virtual millisecond, before that millisecond's script events; it may post
// messages (the built-in autoplayer).
void setAutoInput(std::function<void(uint32_t now)> hook);
// Queues a message for delivery in the current millisecond.
void postMessage(const Message& message);

uint32_t now();
// Moves the virtual clock (tests: wrap-around, long pauses). Due sounds complete.
void advance(uint32_t ms);
void setNow(uint32_t ms);

// The frame as last presented (176 x 220 RGB565).
const uint16_t* presentedFrame();
// Writes a frame as a 176 x 220 PNG, each 5-bit channel widened as (v << 3) | (v >> 2).
bool writePng(const std::string& path, const uint16_t* frame);

// Sound streams currently queued or playing, and paused ones (tests).
int busyStreams();

}  // namespace platform::headless
