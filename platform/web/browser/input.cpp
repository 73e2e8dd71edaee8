// The page's events as the handset's messages: keys through the game's key table, gamepads of
// the standard mapping with the desktop's stick rules, mouse and touch on the canvas as pointer
// messages in frame pixels, focus and visibility as activation, and the page's touch buttons as
// keys. F11 and Alt+Enter switch full screen, as on the desktop.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <algorithm>
#include <bitset>
#include <cmath>
#include <set>
#include <string>
#include <string_view>

#include "platform/common/key_table.h"
#include "platform/common/stick_axis.h"
#include "platform/common/utf8.h"
#include "platform/display.h"
#include "platform/web/browser/browser.h"
#include "platform/window.h"

EM_JS(void, v2ToggleFullScreen, (), {
    if (Module.v2ToggleFullScreen) Module.v2ToggleFullScreen();
});

// In play the page may have the finger steer from below the paddle: the frame pixels the game
// hears the finger above where it is (page.js sets it from the player's settings).
EM_JS(int, v2TouchOffset, (), {
    return Module.v2TouchOffset | 0;
});

// The canvas's top-left corner on the page, in CSS pixels.
EM_JS(void, v2CanvasOrigin, (double* left, double* top), {
    var r = document.getElementById('canvas').getBoundingClientRect();
    HEAPF64[left >> 3] = r.left;
    HEAPF64[top >> 3] = r.top;
});

namespace platform::web {
namespace {

constexpr const char* kCanvas = "#canvas";
// Fingers are heard over the whole room around the picture, so that one steering from below
// the picture still reaches the game.
constexpr const char* kTouchRoom = "#screen";
constexpr double kPadReadMs = 4;      // pads connected: read this often at most
// None yet: look for one this often. Asking the browser for its pads costs a good part of a
// gate's work, and a pad that connects says so (onPadConnected), so this is only the fallback.
constexpr double kPadDetectMs = 1000;
constexpr int kMaxPads = 4;
constexpr int kStandardButtons = 17;
constexpr int kStickRange = 32767;

// Keys the game never hears of, down or up: the full-screen keys (the page's own) and keys
// pressed during the score exchange (they would all act at once after it, on a screen the
// player could not watch them change).
std::set<std::string> swallowed;
bool exchanging = false;
bool active = true;         // as the game last heard
bool windowActive = true;   // the window in front and the tab shown
bool covered = false;       // a panel of the page over the game (its settings)

struct Gamepad {
    bool connected = false;
    std::bitset<kStandardButtons> buttons;
    StickAxis x;
    StickAxis y;
};
Gamepad pads[kMaxPads];
double lastPadRead = -1e9;
bool anyPad = false;

// Whether the game hears of this press or release of a key (a keyboard code or a button).
bool heard(const std::string& name, bool down) {
    if (swallowed.count(name) != 0) {
        if (!down) swallowed.erase(name);
        return false;
    }
    if (down && exchanging) {
        swallowed.insert(name);
        return false;
    }
    return true;
}

void postKey(bool down, uint32_t key) {
    post(down ? kMsgKeyDown : kMsgKeyUp, key);
}

// A key that is none of the game's: the character it types (its `key` is that one character),
// or Backspace; shortcuts (Ctrl, Alt or Meta held) type nothing.
void typeCharacter(const EmscriptenKeyboardEvent& event) {
    if (event.ctrlKey || event.altKey || event.metaKey) return;
    const std::string_view key(event.key);
    if (key == "Backspace") {
        post(kMsgChar, kCharBackspace);
        return;
    }
    char32_t c = 0;
    if (!key.empty() && decodeUtf8(key, 0, c) == key.size()) post(kMsgChar, c);
}

EM_BOOL onKey(int type, const EmscriptenKeyboardEvent* event, void*) {
    const bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    const std::string code = event->code;
    if (down && !event->repeat && isFullScreenCode(code, event->altKey)) {
        swallowed.insert(code);
        v2ToggleFullScreen();
        return EM_TRUE;
    }
    const uint32_t key = handsetKeyForCode(code);
    if (key == 0 && swallowed.count(code) == 0) {
        if (down && !exchanging) typeCharacter(*event);
        return EM_FALSE;  // the browser's own keys keep working
    }
    if (heard(code, down)) postKey(down, key);
    return EM_TRUE;
}

// The page's touch buttons, named apart from the keyboard's codes.
void touchKey(uint32_t key, bool down) {
    if (heard("touch " + std::to_string(key), down)) postKey(down, key);
}

// A press of the pointer or a finger on the frame, and its release: dropped together when
// the press comes during the exchange.
bool pressDropped = false;

void postPress(bool down, int32_t at) {
    if (down) pressDropped = exchanging;
    if (!pressDropped) post(down ? kMsgPointerDown : kMsgPointerUp, 0, at);
}

// Activation as the desktop window reports focus: active and focused, or neither. The game
// is active while the window is in front and no panel of the page covers it.
void setActive(bool now) {
    windowActive = now;
    now = windowActive && !covered;
    if (now == active) return;
    active = now;
    post(kMsgActivate, now ? 1 : 0);
    post(now ? kMsgSetFocus : kMsgKillFocus, 0);
}

// Only the window's own focus counts: the listener also hears every element of the page take
// and lose focus (a button blurred after its click), and the window keeps its focus then.
EM_BOOL onFocus(int type, const EmscriptenFocusEvent* event, void*) {
    if (std::string_view(event->nodeName) != "#window") return EM_FALSE;
    setActive(type == EMSCRIPTEN_EVENT_FOCUS);
    return EM_FALSE;
}

EM_BOOL onVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    setActive(!event->hidden);
    return EM_FALSE;
}

// A point of the canvas (CSS pixels from its top-left corner) in frame pixels, as the pointer
// messages carry it: x | y << 16; false when the point is off the frame.
bool framePoint(double x, double y, int32_t& packed) {
    double width = 0;
    double height = 0;
    emscripten_get_element_css_size(kCanvas, &width, &height);
    if (width <= 0 || height <= 0) return false;
    const int fx = static_cast<int>(std::floor(x * kFrameWidth / width));
    const int fy = static_cast<int>(std::floor(y * kFrameHeight / height));
    if (fx < 0 || fx >= kFrameWidth || fy < 0 || fy >= kFrameHeight) return false;
    packed = packPointer(fx, fy);
    return true;
}

// The pointer as the game hears of it: on the frame, or gone (after a leave).
bool pointerOnFrame = false;

void pointerLeaves() {
    if (!pointerOnFrame) return;
    pointerOnFrame = false;
    post(kMsgPointerLeave, 0, 0);
}

// A place of the pointer: a move, or a leave once it is off the frame. True when on the frame.
bool pointerAt(double x, double y, int32_t& packed) {
    if (!framePoint(x, y, packed)) {
        pointerLeaves();
        return false;
    }
    pointerOnFrame = true;
    post(kMsgPointerMove, 0, packed);
    return true;
}

// A finger's place in frame pixels. In play with a touch offset set, the game hears it that
// many pixels higher, so the finger steers from below the paddle and never hides it; a finger
// on the frame's top rows is held to its first row.
bool fingerPoint(const EmscriptenTouchPoint& touch, int32_t& packed) {
    double left = 0;
    double top = 0;
    v2CanvasOrigin(&left, &top);
    const double x = touch.clientX - left;
    double y = touch.clientY - top;
    const int offset = std::clamp(v2TouchOffset(), 0, kFrameHeight);
    if (offset > 0) {
        double width = 0;
        double height = 0;
        emscripten_get_element_css_size(kCanvas, &width, &height);
        if (height <= 0) return false;
        const double shifted = y - offset * height / kFrameHeight;
        y = y >= 0 ? std::max(shifted, 0.0) : shifted;
    }
    return framePoint(x, y, packed);
}

// A finger's move: as the pointer's, or a leave once it is off the frame.
bool fingerAt(const EmscriptenTouchPoint& touch, int32_t& packed) {
    if (!fingerPoint(touch, packed)) {
        pointerLeaves();
        return false;
    }
    pointerOnFrame = true;
    post(kMsgPointerMove, 0, packed);
    return true;
}

EM_BOOL onMouse(int type, const EmscriptenMouseEvent* event, void*) {
    int32_t at = 0;
    if (type == EMSCRIPTEN_EVENT_MOUSELEAVE) {
        pointerLeaves();
        return EM_FALSE;
    }
    const bool onFrame = pointerAt(event->targetX, event->targetY, at);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE || event->button != 0 || !onFrame) return EM_FALSE;
    postPress(type == EMSCRIPTEN_EVENT_MOUSEDOWN, at);
    return EM_TRUE;
}

// One finger steers: the first to touch the canvas, until it lifts.
long finger = -1;

EM_BOOL onTouch(int type, const EmscriptenTouchEvent* event, void*) {
    for (int i = 0; i < event->numTouches; ++i) {
        const EmscriptenTouchPoint& touch = event->touches[i];
        if (!touch.isChanged) continue;
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART && finger < 0) finger = touch.identifier;
        if (touch.identifier != finger) continue;
        int32_t at = 0;
        if (type == EMSCRIPTEN_EVENT_TOUCHSTART || type == EMSCRIPTEN_EVENT_TOUCHMOVE) {
            const bool onFrame = fingerAt(touch, at);
            if (onFrame && type == EMSCRIPTEN_EVENT_TOUCHSTART) postPress(true, at);
            continue;
        }
        // Lifted on the frame: a tap's end. Lifted elsewhere or cancelled: only gone.
        if (type == EMSCRIPTEN_EVENT_TOUCHEND && pointerOnFrame && fingerPoint(touch, at))
            postPress(false, at);
        pointerLeaves();
        finger = -1;
    }
    return EM_TRUE;  // no scrolling, no mouse events made up from the touch
}

void moveStick(StickAxis& axis, double value, uint32_t negativeKey, uint32_t positiveKey) {
    axis.move(static_cast<int>(std::lround(std::clamp(value, -1.0, 1.0) * kStickRange)),
              negativeKey, positiveKey, [](uint32_t id, uint32_t key) { post(id, key); });
}

// Lets go of everything a pad held: a pad pulled out must not leave the paddle moving.
void releasePad(Gamepad& pad) {
    for (int b = 0; b < kStandardButtons; ++b) {
        if (!pad.buttons.test(b)) continue;
        const uint32_t key = handsetKeyForStandardButton(b);
        if (key != 0) postKey(false, key);
    }
    pad.buttons.reset();
    moveStick(pad.x, 0, kKeyLeft, kKeyRight);
    moveStick(pad.y, 0, kKeyUp, kKeyDown);
    pad.connected = false;
}

void readPad(Gamepad& pad, const EmscriptenGamepadEvent& state) {
    pad.connected = true;
    for (int b = 0; b < kStandardButtons && b < state.numButtons; ++b) {
        const bool down = state.digitalButton[b] != 0;
        if (down == pad.buttons.test(b)) continue;
        pad.buttons.set(b, down);
        const uint32_t key = handsetKeyForStandardButton(b);
        if (key != 0) postKey(down, key);
    }
    if (state.numAxes >= 2) {
        moveStick(pad.x, state.axis[0], kKeyLeft, kKeyRight);
        moveStick(pad.y, state.axis[1], kKeyUp, kKeyDown);
    }
}

// A pad connected: read the pads at the next pass.
EM_BOOL onPadConnected(int, const EmscriptenGamepadEvent*, void*) {
    lastPadRead = -1e9;
    wake();
    return EM_FALSE;
}

}  // namespace

void setExchanging(bool now) {
    exchanging = now;
}

void readGamepads() {
    // Under the page's panel the buttons are the panel's: what changed meanwhile is heard after.
    if (covered) return;
    const double now = emscripten_get_now();
    if (now - lastPadRead < (anyPad ? kPadReadMs : kPadDetectMs)) return;
    lastPadRead = now;
    if (emscripten_sample_gamepad_data() != EMSCRIPTEN_RESULT_SUCCESS) return;
    const int count = std::min(emscripten_get_num_gamepads(), kMaxPads);
    anyPad = false;
    for (int i = 0; i < kMaxPads; ++i) {
        EmscriptenGamepadEvent state{};
        const bool present =
            i < count && emscripten_get_gamepad_status(i, &state) == EMSCRIPTEN_RESULT_SUCCESS &&
            state.connected && std::string_view(state.mapping) == "standard";
        if (present) {
            readPad(pads[i], state);
            anyPad = true;
        } else if (pads[i].connected) {
            releasePad(pads[i]);
        }
    }
}

void listenToPage() {
    const char* window = EMSCRIPTEN_EVENT_TARGET_WINDOW;
    emscripten_set_keydown_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_keyup_callback(window, nullptr, EM_TRUE, onKey);
    emscripten_set_focus_callback(window, nullptr, EM_TRUE, onFocus);
    emscripten_set_blur_callback(window, nullptr, EM_TRUE, onFocus);
    emscripten_set_visibilitychange_callback(nullptr, EM_TRUE, onVisibility);
    emscripten_set_gamepadconnected_callback(nullptr, EM_TRUE, onPadConnected);
    emscripten_set_mousemove_callback(kCanvas, nullptr, EM_TRUE, onMouse);
    emscripten_set_mousedown_callback(kCanvas, nullptr, EM_TRUE, onMouse);
    emscripten_set_mouseup_callback(kCanvas, nullptr, EM_TRUE, onMouse);
    emscripten_set_mouseleave_callback(kCanvas, nullptr, EM_TRUE, onMouse);
    emscripten_set_touchstart_callback(kTouchRoom, nullptr, EM_TRUE, onTouch);
    emscripten_set_touchmove_callback(kTouchRoom, nullptr, EM_TRUE, onTouch);
    emscripten_set_touchend_callback(kTouchRoom, nullptr, EM_TRUE, onTouch);
    emscripten_set_touchcancel_callback(kTouchRoom, nullptr, EM_TRUE, onTouch);
    // A page opened in a background tab starts inactive, as a window opened behind others.
    EmscriptenVisibilityChangeEvent visibility{};
    if (emscripten_get_visibility_status(&visibility) == EMSCRIPTEN_RESULT_SUCCESS &&
        visibility.hidden)
        setActive(false);
}

void setCovered(bool now) {
    covered = now;
    setActive(windowActive);
}

}  // namespace platform::web

// The page's settings panel shown (1) or closed (0): the game stops under it as it does
// while the window is not in front, and hears no gamepad meanwhile.
extern "C" EMSCRIPTEN_KEEPALIVE void v2_pageCovered(int covered) {
    platform::web::setCovered(covered != 0);
}

// The page's touch buttons: a handset key pressed (1) or let go (0).
extern "C" EMSCRIPTEN_KEEPALIVE void v2_touchKey(int key, int down) {
    switch (static_cast<uint32_t>(key)) {
        case platform::kKeyAction:
        case platform::kKeyLeft:
        case platform::kKeyUp:
        case platform::kKeyRight:
        case platform::kKeyDown:
        case platform::kKeyHome:
        case platform::kKeyLeftSoft:
        case platform::kKeyRightSoft:
            platform::web::touchKey(static_cast<uint32_t>(key), down != 0);
            break;
        default:
            break;
    }
}
