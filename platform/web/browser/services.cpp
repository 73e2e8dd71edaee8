// The browser back end's clock, start-up seed, trace, window, message queue, display and message
// boxes. The program's own loop runs unchanged: each wait for messages sleeps (the page runs
// its events meanwhile) until a message arrives, a sound notice falls due or the time is up.
// A page costs the browser a task at every wake, so while the picture stands still it wakes
// only now and then and runs the gates it slept through back to back on the program's own
// clock (CatchUpClock): the game keeps the gates' speed, and an event still wakes it at once.
#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/clock.h"
#include "platform/common/catch_up_clock.h"
#include "platform/common/screen_colours.h"
#include "platform/display.h"
#include "platform/edition.h"
#include "platform/message_box.h"
#include "platform/random.h"
#include "platform/trace.h"
#include "platform/web/browser/browser.h"
#include "platform/window.h"

// Sleeps up to ms milliseconds (0: only lets the page run what is waiting); an event of the page
// ends the sleep early (Module.v2Wake). Browsers stretch a timer set from inside a chain of
// timers to 4 ms at least, which would slow the game's gates: a shorter timer is set from a
// message task, outside any chain. The program resumes from the timer's own task, so a gate costs
// the page one task at most two; an early end resumes from a message task, not inside the event.
// clang-format off
EM_ASYNC_JS(void, v2Sleep, (int ms), {
    if (!Module.v2Hop) {
        var channel = new MessageChannel();
        channel.port1.onmessage = function() {
            var next = Module.v2Hopped;
            Module.v2Hopped = null;
            if (next) next();
        };
        // Runs next in a message task of its own; a later hop replaces one not yet run.
        Module.v2Hop = function(next) {
            Module.v2Hopped = next;
            channel.port2.postMessage(0);
        };
    }
    await new Promise(function(resolve) {
        var timer = 0;
        var done = function() {
            clearTimeout(timer);
            Module.v2Wake = null;
            Module.v2Hop(resolve);
        };
        if (ms <= 0) return done();
        // The clock counts whole milliseconds: the part of this one already gone counts too.
        var delay = Math.max(0, Math.round(ms - performance.now() % 1));
        var due = function() {
            clearTimeout(timer);
            Module.v2Wake = null;
            resolve();
        };
        Module.v2Wake = done;
        if (delay >= 4) timer = setTimeout(due, delay);
        else Module.v2Hop(function() { timer = setTimeout(due, delay); });
    });
});
// clang-format on

EM_JS(void, v2Wake, (), {
    if (Module.v2Wake) Module.v2Wake();
});

// The frame as RGBA bytes into the page's canvas.
// Rows top to top + rows of the frame (RGBA bytes from rgba, the whole frame's) into the canvas.
EM_JS(void, v2ShowFrame, (const uint8_t* rgba, int width, int top, int rows), {
    if (!Module.v2ShowFrame) return;
    var from = rgba + top * width * 4;
    Module.v2ShowFrame(HEAPU8.subarray(from, from + rows * width * 4), top, rows);
});

EM_JS(void, v2ShowMessage, (const char* text, const char* caption), {
    if (Module.v2ShowMessage) Module.v2ShowMessage(UTF8ToString(text), UTF8ToString(caption));
});

EM_JS(void, v2ScreenState, (const char* name), {
    if (Module.v2ScreenState) Module.v2ScreenState(UTF8ToString(name));
});

// The page's main pointer is a finger: a phone or a tablet rather than a mouse.
EM_JS(int, v2CoarsePointer, (), {
    return typeof matchMedia === 'function' && matchMedia('(pointer: coarse)').matches ? 1 : 0;
});

namespace platform {
namespace {

// A message with the page's time it arrived at.
struct Arrival {
    Message message;
    double at;
};
std::deque<Arrival> queue;
bool displayOpen = false;
bool suspended = false;
bool repaint = true;
uint16_t frame[kFrameWidth * kFrameHeight];
uint16_t shown[kFrameWidth * kFrameHeight];
std::vector<uint8_t> rgba(kFrameWidth* kFrameHeight * 4);
// The page gets a turn at least this often, however busy the loop (ms).
constexpr double kTurnEveryMs = 10;
double lastTurn = 0;

// How often the page wakes. Lively (something moves on screen, or an event came lately): once
// a display frame at most, as a picture is not seen more often. Resting (a still screen, or
// one where only a brick's flames turn): every five gates (the gates open every 11 ms), so a
// picture that changes every so many gates still changes evenly; the change is shown that much
// later at most. Still for a second: every twenty gates. An event always wakes the page at once.
constexpr double kLivelyWakeMs = 16;
constexpr double kRestingWakeMs = 55;
constexpr double kStillWakeMs = 220;
constexpr double kStillAfterMs = 1000;
constexpr double kLivelyAfterEventMs = 250;
constexpr int kLivelyAfterChanges = 2;  // wakes in a row that found the picture changed
// A page held up longer than this (a long task, a throttled timer) loses the time beyond it.
constexpr double kMostBehindMs = 300;
CatchUpClock programClock(kMostBehindMs);
double lastEvent = -kLivelyAfterEventMs;
double lastChange = 0;
double lastWake = 0;
int changedWakes = 0;
bool pictureChanged = false;  // a picture went to the canvas since the last wake

// How long after the last wake the page wakes next, at the earliest.
double wakeEveryMs(double now) {
    if (changedWakes >= kLivelyAfterChanges || now - lastEvent < kLivelyAfterEventMs)
        return kLivelyWakeMs;
    return now - std::max(lastChange, lastEvent) < kStillAfterMs ? kRestingWakeMs : kStillWakeMs;
}

double pageNow() {
    return emscripten_get_now();
}

// The first message has arrived by the program's clock.
bool messageDue() {
    return !queue.empty() && queue.front().at <= programClock.programTime(pageNow());
}

// Row y of the frame against the one shown, eight bytes at a time: this runs on every pass of
// the loop, and the library's byte-wise compare cost more than the rest of a still screen's pass.
bool sameRow(int y) {
    constexpr size_t kRowBytes = kFrameWidth * sizeof frame[0];
    static_assert(kRowBytes % sizeof(uint64_t) == 0);
    const auto* a = reinterpret_cast<const unsigned char*>(frame + y * kFrameWidth);
    const auto* b = reinterpret_cast<const unsigned char*>(shown + y * kFrameWidth);
    for (size_t at = 0; at < kRowBytes; at += sizeof(uint64_t)) {
        uint64_t x = 0;
        uint64_t z = 0;
        std::memcpy(&x, a + at, sizeof x);
        std::memcpy(&z, b + at, sizeof z);
        if (x != z) return false;
    }
    return true;
}

}  // namespace

namespace web {

void post(uint32_t id, uint32_t wordParam, int32_t longParam) {
    const double now = pageNow();
    queue.push_back(Arrival{Message{id, wordParam, longParam}, now});
    lastEvent = now;
    wake();
}

bool hasMessages() {
    return !queue.empty();
}

void wake() {
    v2Wake();
}

// Only the rows from the first changed one to the last go to the canvas: the browser then
// paints that band, not the whole picture (the fire brick's flames change a few rows).
void presentFrame() {
    if (!displayOpen || suspended) return;
    int top = 0;
    int bottom = kFrameHeight;
    if (!repaint) {
        while (top < kFrameHeight && sameRow(top)) ++top;
        if (top == kFrameHeight) return;
        while (bottom - 1 > top && sameRow(bottom - 1)) --bottom;
    }
    repaint = false;
    const size_t from = static_cast<size_t>(top) * kFrameWidth;
    const size_t count = static_cast<size_t>(bottom - top) * kFrameWidth;
    std::memcpy(shown + from, frame + from, count * sizeof frame[0]);
    uint8_t* to = rgba.data() + from * 4;
    for (size_t i = from; i < from + count; ++i) {
        const ScreenColour colour = screenColour(shown[i]);
        *to++ = colour.red;
        *to++ = colour.green;
        *to++ = colour.blue;
        *to++ = 0xFF;
    }
    v2ShowFrame(rgba.data(), kFrameWidth, top, bottom - top);
    pictureChanged = true;
}

uint32_t pageMs() {
    return static_cast<uint32_t>(static_cast<uint64_t>(pageNow()));
}

}  // namespace web

// ---- Clock: the page's own milliseconds since it was opened, less what the program trails by

uint32_t tickCount() {
    return static_cast<uint32_t>(static_cast<uint64_t>(programClock.programTime(pageNow())));
}

void sleepMs(uint32_t ms) {
    v2Sleep(static_cast<int>(std::min<uint32_t>(ms, INT32_MAX)));
}

uint32_t startupSeed() {
    return tickCount();
}

bool webEdition() {
    return true;
}
bool touchScreen() {
    return v2CoarsePointer() != 0;
}

// The page keeps no trace; it hears only of each new screen state, to label its soft keys.
void trace(const std::string& line) {
    constexpr const char* kState = "state ";
    if (line.compare(0, std::strlen(kState), kState) == 0)
        v2ScreenState(line.c_str() + std::strlen(kState));
}

// ---- Window: the page itself

bool createWindow(const std::string&, bool) {
    web::prepareFiles();
    web::listenToPage();
    return true;
}

void showWindow() {
    repaint = true;
}

// The page hears of the program's end from the program's entry point, which knows what was kept.
void destroyWindow() {
    queue.clear();
}

// With no message due the frame goes to the canvas, unless the loop is catching up: then the
// picture of the last gate run goes, before the page sleeps.
bool takeMessage(Message& message) {
    if (!messageDue()) {
        web::deliverSoundNotices();
        if (!programClock.behind()) web::presentFrame();
        return false;
    }
    message = queue.front().message;
    queue.pop_front();
    return true;
}

// The wait ends when the program's clock reaches the end of the wait or the first message's
// arrival. When that time has already passed (the page slept past a gate), the clock moves on to
// it at once; else the picture goes to the canvas and the page sleeps until then, or later while
// resting, or until a sound notice falls due or an event comes.
void waitForMessage(uint32_t ms) {
    web::readGamepads();
    web::deliverSoundNotices();
    if (!messageDue()) {
        const double now = pageNow();
        double due = std::floor(programClock.programTime(now)) + ms;
        if (!queue.empty()) due = std::min(due, queue.front().at);
        if (programClock.reach(due, now)) {
            if (now - lastTurn >= kTurnEveryMs) {
                web::presentFrame();
                v2Sleep(0);
                lastTurn = pageNow();
            }
        } else {
            web::presentFrame();
            changedWakes = pictureChanged ? changedWakes + 1 : 0;
            if (pictureChanged) lastChange = now;
            pictureChanged = false;
            double wakeAt = std::max(due, lastWake + wakeEveryMs(now));
            wakeAt = std::min(wakeAt, now + web::msUntilSoundNotice());
            v2Sleep(static_cast<int>(std::clamp(std::ceil(wakeAt - now), 0.0, double{INT32_MAX})));
            lastTurn = lastWake = pageNow();
            programClock.woke(due, lastWake);
        }
    }
    web::readGamepads();
}

int32_t defaultWindowProc(const Message&) {
    return 0;
}

// ---- Display: the frame shown in the page's canvas when it changed

DisplayProperties displayProperties() {
    return DisplayProperties{kFrameWidth, kFrameHeight, 2, kFrameWidth * 2, 16, 0};
}

void openDisplay() {
    displayOpen = true;
    suspended = false;
    repaint = true;
}

uint16_t* beginDraw() {
    return frame;
}

void endDraw() {}

void closeDisplay() {
    displayOpen = false;
}

void suspendDisplay() {
    suspended = true;
}

void resumeDisplay() {
    suspended = false;
    repaint = true;
}

// ---- Message boxes: a line on the console and a box over the page, never waiting

void messageBox(const std::string& text, const std::string& caption) {
    std::fprintf(stderr, "Vextorium2: %s%s%s\n", caption.c_str(), caption.empty() ? "" : ": ",
                 text.c_str());
    v2ShowMessage(text.c_str(), caption.c_str());
}

}  // namespace platform
