// Headless clock, window, display, message box, trace and seed: virtual time and scripted input.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>

#include "platform/clock.h"
#include "platform/display.h"
#include "platform/edition.h"
#include "platform/headless/state.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/trace.h"
#include "platform/window.h"

namespace platform {
namespace headless {
namespace {
uint16_t frame[kFrameWidth * kFrameHeight + 1];

Message keyMessage(uint32_t id, uint32_t code) {
    return Message{id, code, 0};
}

// Advances virtual time by one millisecond, completing due sounds.
void nextMillisecond() {
    ++state().now;
    runDueSounds();
}
}  // namespace

State& state() {
    static State s;
    return s;
}

void reset() {
    resetSounds();
    state() = State{};
    std::memset(frame, 0, sizeof frame);
}

void setScript(std::vector<ScriptEvent> events) {
    state().script = std::move(events);
    state().nextEvent = 0;
}
void setUntil(std::optional<uint32_t> ms) {
    state().until = ms;
}
void setSeed(std::optional<uint32_t> seed) {
    state().seed = seed;
}
void setEdition(bool web, bool touch) {
    state().webEdition = web;
    state().touchScreen = touch;
}

bool setTraceFile(const std::string& path) {
    auto& out = state().traceOut;
    out.reset();
    if (path.empty()) return true;
    out = std::make_unique<std::ofstream>(path, std::ios::trunc);
    return static_cast<bool>(*out);
}

const std::vector<std::string>& traceLines() {
    return state().trace;
}

void setAutoInput(std::function<void(uint32_t)> hook) {
    state().autoInput = std::move(hook);
}
void postMessage(const Message& message) {
    state().queue.push_back(message);
}

uint32_t now() {
    return state().now;
}

void advance(uint32_t ms) {
    for (uint32_t i = 0; i < ms; ++i) nextMillisecond();
}

void setNow(uint32_t ms) {
    state().now = ms;
}

const uint16_t* presentedFrame() {
    return frame;
}

}  // namespace headless

uint32_t tickCount() {
    return headless::state().now;
}

void sleepMs(uint32_t ms) {
    headless::advance(ms);
}

bool webEdition() {
    return headless::state().webEdition;
}
bool touchScreen() {
    return headless::state().touchScreen;
}

uint32_t startupSeed() {
    const auto& seed = headless::state().seed;
    return seed ? *seed : tickCount();
}

void trace(const std::string& line) {
    auto& s = headless::state();
    std::string full = std::to_string(s.now) + " " + line;
    if (s.traceOut) {
        // Flushed line by line, so a trace is complete up to the moment a run ends.
        *s.traceOut << full << std::endl;
    } else {
        s.trace.push_back(std::move(full));
    }
}

void messageBox(const std::string& text, const std::string& caption) {
    std::cerr << "vextorium2: " << (caption.empty() ? "" : caption + ": ") << text << '\n';
    trace("message " + text);
}

bool createWindow(const std::string&, bool) {
    return true;
}
void showWindow() {}
void destroyWindow() {}

namespace headless {
namespace {
// The autoplayer's turn, once a millisecond, before anything else of that millisecond.
void autoInputTurn() {
    auto& s = state();
    if (s.autoInput && s.autoInputDoneFor != s.now) {
        s.autoInputDoneFor = s.now;
        s.autoInput(s.now);
    }
}

bool closeDue() {
    const auto& s = state();
    if (s.closeSent) return false;
    return s.until ? s.now >= *s.until
                   : s.nextEvent >= s.script.size() &&
                         s.now >= (s.script.empty() ? 0 : s.script.back().ms);
}

// Whether the current millisecond has anything for the program (after the autoplayer's
// turn): a queued message, a script event or the close request.
bool anythingDueNow() {
    autoInputTurn();
    const auto& s = state();
    return !s.queue.empty() ||
           (s.nextEvent < s.script.size() && s.script[s.nextEvent].ms <= s.now) || closeDue();
}
}  // namespace
}  // namespace headless

bool takeMessage(Message& message) {
    using headless::ScriptEvent;
    auto& s = headless::state();
    headless::autoInputTurn();
    if (!s.queue.empty()) {
        message = s.queue.front();
        s.queue.pop_front();
        return true;
    }
    while (s.nextEvent < s.script.size() && s.script[s.nextEvent].ms <= s.now) {
        const ScriptEvent& e = s.script[s.nextEvent++];
        switch (e.kind) {
            case ScriptEvent::Kind::KeyDown:
                message = headless::keyMessage(kMsgKeyDown, e.value);
                return true;
            case ScriptEvent::Kind::KeyUp:
                message = headless::keyMessage(kMsgKeyUp, e.value);
                return true;
            case ScriptEvent::Kind::Activate:
                message = Message{kMsgActivate, e.value, 0};
                return true;
            case ScriptEvent::Kind::Focus:
                message = Message{e.value ? kMsgSetFocus : kMsgKillFocus, 0, 0};
                return true;
            case ScriptEvent::Kind::Close:
                message = headless::keyMessage(kMsgKeyDown, kKeyHome);
                return true;
            case ScriptEvent::Kind::PointerMove:
                message = Message{kMsgPointerMove, 0, static_cast<int32_t>(e.value)};
                return true;
            case ScriptEvent::Kind::PointerDown:
                message = Message{kMsgPointerDown, 0, static_cast<int32_t>(e.value)};
                return true;
            case ScriptEvent::Kind::PointerUp:
                message = Message{kMsgPointerUp, 0, static_cast<int32_t>(e.value)};
                return true;
            case ScriptEvent::Kind::PointerLeave:
                message = Message{kMsgPointerLeave, 0, 0};
                return true;
            case ScriptEvent::Kind::Char:
                message = Message{kMsgChar, e.value, 0};
                return true;
            case ScriptEvent::Kind::Shot:
                if (!headless::writePng(e.file, headless::frame))
                    std::cerr << "vextorium2-replay: cannot write " << e.file << '\n';
                break;
        }
    }
    if (headless::closeDue()) {
        s.closeSent = true;
        message = headless::keyMessage(kMsgKeyDown, kKeyHome);
        return true;
    }
    headless::nextMillisecond();
    return false;
}

// Virtual time passes instead: up to `ms` milliseconds, stopping at the first that has
// anything for the program. The main loop's passes in between are not run; the loop waits
// only as long as its passes would do nothing (no gate due, no new picture), and each
// millisecond still has its autoplayer turn and its sounds completing. So every trace line
// and file is as with one pass a millisecond, and so is every frame written: a shot is a
// script event, and its millisecond has its pass.
void waitForMessage(uint32_t ms) {
    for (uint32_t waited = 0; waited < ms && !headless::anythingDueNow(); ++waited)
        headless::nextMillisecond();
}

int32_t defaultWindowProc(const Message&) {
    return 0;
}

DisplayProperties displayProperties() {
    return DisplayProperties{kFrameWidth, kFrameHeight, 2, kFrameWidth * 2, 16, 0};
}
void openDisplay() {}
uint16_t* beginDraw() {
    return headless::frame;
}
void endDraw() {}
void closeDisplay() {}
void suspendDisplay() {}
void resumeDisplay() {}

}  // namespace platform
