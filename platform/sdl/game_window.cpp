// GameWindow: full screen or windowed, the frame letterboxed at a whole scale, presented only
// when it changed and never waiting for the display; keys, gamepads, the mouse, fingers, focus,
// close and signals become the handset's messages.
#include "platform/sdl/game_window.h"

#include <poll.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstdint>
#include <cstring>
#include <string_view>

// The X connection's descriptor lets an idle pass wait on it without asking SDL to read the
// connection every millisecond (Xlib's ConnectionNumber is a macro: nothing more to link).
#if __has_include(<X11/Xlib.h>)
#include <X11/Xlib.h>
#define SDL_VIDEO_DRIVER_X11 1
#include <SDL_syswm.h>
#define V2_WATCH_X11 1
#endif

#include "assets/resource_ids.h"
#include "platform/bitmap.h"
#include "platform/common/input_map.h"
#include "platform/common/key_table.h"
#include "platform/common/utf8.h"
#include "platform/sdl/key_map.h"
#include "platform/sdl/letterbox.h"
#include "platform/single_instance.h"

namespace platform {
namespace {

constexpr int kDefaultRefreshHz = 60;
constexpr int kPitchBytes = kFrameWidth * 2;

volatile std::sig_atomic_t stopSignals = 0;

extern "C" void onStopSignal(int) {
    stopSignals = stopSignals + 1;
}

void catchStopSignals(bool on) {
    struct sigaction action {};
    action.sa_handler = on ? onStopSignal : SIG_DFL;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

GameWindow& gameWindow() {
    static GameWindow instance;
    return instance;
}

bool GameWindow::create(const std::string& title, bool fullScreen) {
    if (window_ != nullptr) return true;
    // SIGINT and SIGTERM are ours: they end the program through the home key.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The frame goes straight into the window's own pixels (shared memory on X): scaling a
    // 176 x 220 picture costs less than a GL context, its threads and its buffers would.
    SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
    // Where SDL must show those pixels through a renderer (Wayland), presenting still never
    // waits for the display's vertical sync.
    SDL_SetHint(SDL_HINT_RENDER_VSYNC, "0");
    SDL_SetHint(SDL_HINT_VIDEO_MINIMIZE_ON_FOCUS_LOSS, "0");
    // Gamepads are read after the main loop's waits, not by every look at the events.
    SDL_SetHint(SDL_HINT_AUTO_UPDATE_JOYSTICKS, "0");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER) != 0) {
        SDL_Log("Vextorium2: no video: %s", SDL_GetError());
        return false;
    }
    // Nor does that renderer need a depth buffer the size of the screen.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    // Full screen: made at the size of the whole display, then full screen, so that where no
    // window manager carries out the request (a bare X server) it covers the screen all the
    // same. Windowed: three times the frame, centred.
    SDL_Rect bounds{SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kFrameWidth * kWindowedScale,
                    kFrameHeight * kWindowedScale};
    if (fullScreen) SDL_GetDisplayBounds(0, &bounds);
    window_ = SDL_CreateWindow(title.c_str(), bounds.x, bounds.y, bounds.w, bounds.h,
                               SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
    if (window_ != nullptr && fullScreen) {
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (window_ == nullptr || SDL_GetWindowSurface(window_) == nullptr) {
        SDL_Log("Vextorium2: no window: %s", SDL_GetError());
        if (window_ != nullptr) SDL_DestroyWindow(window_);
        window_ = nullptr;
        SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
        return false;
    }
    SDL_SetWindowMinimumSize(window_, kFrameWidth, kFrameHeight);
    // The cursor shows in a window; full screen it is out of the way.
    SDL_ShowCursor(fullScreen ? SDL_DISABLE : SDL_ENABLE);
    setIcon();
    readRefreshRate();
    findDisplayConnection();
    catchStopSignals(true);
    stopSignals = 0;
    queue_.clear();
    swallowed_.reset();
    pointerOver_ = false;
    pointerPressed_ = false;
    steeringFinger_ = -1;
    needsRepaint_ = true;
    checked_ = false;
    presents_ = 0;
    return true;
}

void GameWindow::setIcon() {
    Section icon;
    if (!loadBitmapResource(resource::kIcon, icon)) return;
    SDL_Surface* surface =
        SDL_CreateRGBSurfaceWithFormat(0, icon.width, icon.height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface == nullptr) return;
    SDL_LockSurface(surface);
    for (int y = 0; y < icon.height; ++y) {
        // Section rows run bottom-up, blue, green, red.
        const uint8_t* from = icon.bits.data() + static_cast<size_t>(icon.height - 1 - y) *
                                                     static_cast<size_t>(icon.stride);
        auto* to = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                               static_cast<size_t>(y) * surface->pitch);
        for (int x = 0; x < icon.width; ++x) {
            to[x] = 0xFF000000u | (static_cast<uint32_t>(from[3 * x + 2]) << 16) |
                    (static_cast<uint32_t>(from[3 * x + 1]) << 8) | from[3 * x];
        }
    }
    SDL_UnlockSurface(surface);
    SDL_SetWindowIcon(window_, surface);
    SDL_FreeSurface(surface);
}

void GameWindow::readRefreshRate() {
    int hz = kDefaultRefreshHz;
    SDL_DisplayMode mode{};
    const int index = window_ != nullptr ? SDL_GetWindowDisplayIndex(window_) : 0;
    if (SDL_GetCurrentDisplayMode(index < 0 ? 0 : index, &mode) == 0 && mode.refresh_rate > 0) {
        hz = mode.refresh_rate;
    }
    refreshTicks_ = SDL_GetPerformanceFrequency() / static_cast<uint64_t>(hz);
}

void GameWindow::show() {
    if (window_ == nullptr) return;
    SDL_ShowWindow(window_);
    needsRepaint_ = true;
}

void GameWindow::destroy() {
    closeDisplay();
    for (auto& [id, pad] : gamepads_) SDL_GameControllerClose(pad.controller);
    gamepads_.clear();
    if (window_ != nullptr) SDL_DestroyWindow(window_);
    if (window_ != nullptr) SDL_QuitSubSystem(SDL_INIT_VIDEO | SDL_INIT_GAMECONTROLLER);
    window_ = nullptr;
    queue_.clear();
    catchStopSignals(false);
}

void GameWindow::openDisplay() {
    if (window_ == nullptr) return;
    if (frameSurface_ == nullptr) {
        frameSurface_ = SDL_CreateRGBSurfaceWithFormatFrom(shown_.data(), kFrameWidth, kFrameHeight,
                                                           16, kPitchBytes, SDL_PIXELFORMAT_RGB565);
    }
    if (frameSurface_ == nullptr) return;
    needsRepaint_ = true;
    displayOpen_ = true;
    suspended_ = false;
}

void GameWindow::closeDisplay() {
    SDL_FreeSurface(frameSurface_);
    SDL_FreeSurface(converted_);
    frameSurface_ = nullptr;
    converted_ = nullptr;
    displayOpen_ = false;
}

bool GameWindow::matchFormat(const SDL_Surface* screen) {
    if (converted_ != nullptr && converted_->format->format == screen->format->format) return true;
    SDL_FreeSurface(converted_);
    converted_ = SDL_CreateRGBSurfaceWithFormat(
        0, kFrameWidth, kFrameHeight, screen->format->BitsPerPixel, screen->format->format);
    return converted_ != nullptr;
}

void GameWindow::resume() {
    suspended_ = false;
    needsRepaint_ = true;
}

bool GameWindow::isFullScreen() const {
    return window_ != nullptr && (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
}

void GameWindow::toggleFullScreen() {
    if (window_ == nullptr) return;
    if (isFullScreen()) {
        SDL_SetWindowFullscreen(window_, 0);
        SDL_SetWindowSize(window_, kFrameWidth * kWindowedScale, kFrameHeight * kWindowedScale);
        SDL_SetWindowPosition(window_, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
        SDL_ShowCursor(SDL_ENABLE);
    } else {
        coverDisplay();
        SDL_SetWindowFullscreen(window_, SDL_WINDOW_FULLSCREEN_DESKTOP);
        SDL_ShowCursor(SDL_DISABLE);
    }
    needsRepaint_ = true;
}

void GameWindow::coverDisplay() {
    const int index = SDL_GetWindowDisplayIndex(window_);
    SDL_Rect bounds{};
    if (SDL_GetDisplayBounds(index < 0 ? 0 : index, &bounds) != 0) return;
    SDL_SetWindowPosition(window_, bounds.x, bounds.y);
    SDL_SetWindowSize(window_, bounds.w, bounds.h);
}

void GameWindow::push(uint32_t id, uint32_t wordParam, int32_t longParam) {
    Message message;
    message.id = id;
    message.wordParam = wordParam;
    message.longParam = longParam;
    queue_.push_back(message);
}

bool GameWindow::takeMessage(Message& message) {
    if (stopSignals != 0) {
        stopSignals = 0;
        push(kMsgKeyDown, kKeyHome);
    }
    // Events already fetched from the system; fetching new ones is left to the wait.
    SDL_Event event;
    while (queue_.empty() &&
           SDL_PeepEvents(&event, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        translate(event);
    }
    if (queue_.empty()) {
        checkRaiseRequest();
        presentIfDue();
        return false;
    }
    message = queue_.front();
    queue_.pop_front();
    return true;
}

void GameWindow::findDisplayConnection() {
    connection_ = -1;
#ifdef V2_WATCH_X11
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window_, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11 &&
        info.info.x11.display != nullptr) {
        connection_ = ConnectionNumber(info.info.x11.display);
    }
#endif
}

// Lets SDL read what the system sent; true when that gave SDL an event.
bool GameWindow::readEvents() {
    SDL_PumpEvents();
    return SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE;
}

void GameWindow::waitForMessage(uint32_t ms) {
    if (!queue_.empty() || stopSignals != 0) return;
    ms = std::min({ms, msUntilRepaint(), static_cast<uint32_t>(INT_MAX)});
    if (connection_ < 0) {
        SDL_Event event;
        // The event that ends the wait is translated now and delivered on the next call.
        if (SDL_WaitEventTimeout(&event, static_cast<int>(ms)) != 0) translate(event);
    } else if (!readEvents() && ms > 0) {
        // On X the wait is on the connection itself. Reading first matters: an earlier call
        // (presenting, raising the window) may have left events inside Xlib, where the
        // connection no longer shows them. A signal ends the wait early.
        pollfd watch{connection_, POLLIN, 0};
        if (poll(&watch, 1, static_cast<int>(ms)) > 0) readEvents();
    }
    const uint64_t now = SDL_GetTicks64();
    if (now - lastPadUpdate_ >= (gamepads_.empty() ? kPadDetectMs : kPadUpdateMs)) {
        lastPadUpdate_ = now;
        SDL_GameControllerUpdate();
    }
}

// A window to paint again (uncovered, resized) is looked at when the next display refresh
// allows; a changed frame waits for the main loop's next pass instead, at most a gate away.
uint32_t GameWindow::msUntilRepaint() const {
    constexpr uint32_t kNever = UINT32_MAX;
    if (!needsRepaint_ || !displayOpen_ || suspended_ || !checked_ ||
        (SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0) {
        return kNever;
    }
    const uint64_t since = SDL_GetPerformanceCounter() - lastCheck_;
    if (since >= refreshTicks_) return 0;
    const uint64_t frequency = SDL_GetPerformanceFrequency();
    return static_cast<uint32_t>(((refreshTicks_ - since) * 1000 + frequency - 1) / frequency);
}

void GameWindow::checkRaiseRequest() {
    // Accepting costs the system a socket each time: look a few times a second only.
    const uint64_t now = SDL_GetTicks64();
    if (now - lastRaiseCheck_ < kRaiseCheckMs) return;
    lastRaiseCheck_ = now;
    if (!takeRaiseRequest() || window_ == nullptr) return;
    if ((SDL_GetWindowFlags(window_) & SDL_WINDOW_MINIMIZED) != 0) SDL_RestoreWindow(window_);
    SDL_RaiseWindow(window_);
}

void GameWindow::translate(const SDL_Event& event) {
    switch (event.type) {
        case SDL_QUIT:
            push(kMsgKeyDown, kKeyHome);
            break;
        case SDL_KEYDOWN:
            translateKey(event.key, true);
            break;
        case SDL_KEYUP:
            translateKey(event.key, false);
            break;
        case SDL_TEXTINPUT:
            translateText(event.text.text);
            break;
        case SDL_WINDOWEVENT:
            translateWindowEvent(event.window);
            break;
        case SDL_MOUSEMOTION:
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            translateMouse(event);
            break;
        case SDL_FINGERDOWN:
        case SDL_FINGERMOTION:
        case SDL_FINGERUP:
            translateFinger(event.tfinger);
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            translateButton(event.cbutton.button, event.type == SDL_CONTROLLERBUTTONDOWN);
            break;
        case SDL_CONTROLLERAXISMOTION: {
            auto pad = gamepads_.find(event.caxis.which);
            if (pad == gamepads_.end()) break;
            if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTX) {
                moveStick(pad->second.x, event.caxis.value, kKeyLeft, kKeyRight);
            } else if (event.caxis.axis == SDL_CONTROLLER_AXIS_LEFTY) {
                moveStick(pad->second.y, event.caxis.value, kKeyUp, kKeyDown);
            }
            break;
        }
        case SDL_CONTROLLERDEVICEADDED:
            addGamepad(event.cdevice.which);
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            removeGamepad(event.cdevice.which);
            break;
        default:
            break;
    }
}

void GameWindow::translateKey(const SDL_KeyboardEvent& key, bool down) {
    const SDL_Scancode scancode = key.keysym.scancode;
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return;
    if (down && key.repeat == 0 && isFullScreenToggle(scancode, key.keysym.mod)) {
        // Handled here only: Alt+Enter must not also press action, nor release it afterwards.
        swallowed_.set(scancode);
        toggleFullScreen();
        return;
    }
    if (swallowed_.test(scancode)) {
        if (!down) swallowed_.reset(scancode);
        return;
    }
    if (down && key.repeat == 0 && isSettingsUsage(static_cast<uint32_t>(scancode))) {
        swallowed_.set(scancode);
        push(kMsgSettings, 0);
        return;
    }
    if (capturing()) {
        // The settings screen takes the key itself, by name; its text and release are not typed.
        textFromGameKey_ = true;
        if (down && key.repeat == 0) {
            swallowed_.set(scancode);
            push(kMsgBindKey, static_cast<uint32_t>(scancode));
        }
        return;
    }
    const uint32_t code = handsetKeyForScancode(scancode);
    if (down) {
        // SDL follows a key's down with the text it typed: a game key's text (a space, a
        // keypad digit) is that key's and no character of its own.
        textFromGameKey_ = code != 0;
        if (key.keysym.sym == SDLK_BACKSPACE) push(kMsgChar, kCharBackspace);
    }
    if (code != 0) push(down ? kMsgKeyDown : kMsgKeyUp, code);
}

void GameWindow::translateButton(uint8_t button, bool down) {
    if (button >= SDL_CONTROLLER_BUTTON_MAX) return;
    if (swallowedButtons_.test(button)) {
        if (!down) swallowedButtons_.reset(button);
        return;
    }
    if (capturing()) {
        if (down) {
            swallowedButtons_.set(button);
            push(kMsgBindButton, button);
        }
        return;
    }
    const uint32_t key = handsetKeyForButton(static_cast<SDL_GameControllerButton>(button));
    if (key != 0) push(down ? kMsgKeyDown : kMsgKeyUp, key);
}

void GameWindow::translateText(const char* utf8) {
    if (textFromGameKey_) {
        textFromGameKey_ = false;
        return;
    }
    const std::string_view text(utf8);
    for (size_t at = 0; at < text.size();) {
        char32_t c = 0;
        const size_t length = decodeUtf8(text, at, c);
        if (length == 0) return;
        push(kMsgChar, static_cast<uint32_t>(c));
        at += length;
    }
}

void GameWindow::translateWindowEvent(const SDL_WindowEvent& event) {
    switch (event.event) {
        case SDL_WINDOWEVENT_FOCUS_GAINED:
            push(kMsgActivate, 1);
            push(kMsgSetFocus, 0);
            break;
        case SDL_WINDOWEVENT_FOCUS_LOST:
            push(kMsgActivate, 0);
            push(kMsgKillFocus, 0);
            break;
        case SDL_WINDOWEVENT_CLOSE:
            push(kMsgKeyDown, kKeyHome);
            break;
        case SDL_WINDOWEVENT_LEAVE:
            pointerLeave();
            break;
        case SDL_WINDOWEVENT_DISPLAY_CHANGED:
            readRefreshRate();
            needsRepaint_ = true;
            break;
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_EXPOSED:
        case SDL_WINDOWEVENT_RESIZED:
        case SDL_WINDOWEVENT_SIZE_CHANGED:
        case SDL_WINDOWEVENT_MAXIMIZED:
        case SDL_WINDOWEVENT_RESTORED:
            needsRepaint_ = true;
            break;
        default:
            break;
    }
}

void GameWindow::translateMouse(const SDL_Event& event) {
    // A finger's own events steer; the mouse events SDL makes up from them would repeat them.
    if (event.type == SDL_MOUSEMOTION) {
        if (event.motion.which != SDL_TOUCH_MOUSEID) pointAt(event.motion.x, event.motion.y);
        return;
    }
    if (event.button.which == SDL_TOUCH_MOUSEID || event.button.button != SDL_BUTTON_LEFT) return;
    if (event.type == SDL_MOUSEBUTTONDOWN) {
        pointAt(event.button.x, event.button.y);
        pointerDown();
    } else {
        pointerUp();
    }
}

void GameWindow::translateFinger(const SDL_TouchFingerEvent& finger) {
    if (window_ == nullptr) return;
    if (finger.type == SDL_FINGERDOWN && steeringFinger_ == -1) steeringFinger_ = finger.fingerId;
    if (finger.fingerId != steeringFinger_) return;  // a second finger: only the first steers
    // Places come normalised to the window: 0..1 across and down.
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    pointAt(static_cast<int>(std::floor(finger.x * static_cast<float>(width))),
            static_cast<int>(std::floor(finger.y * static_cast<float>(height))));
    if (finger.type == SDL_FINGERDOWN) {
        pointerDown();
    } else if (finger.type == SDL_FINGERUP) {
        // A lifted finger points nowhere: the paddle stops where it is.
        pointerUp();
        pointerLeave();
        steeringFinger_ = -1;
    }
}

void GameWindow::pointAt(int x, int y) {
    if (window_ == nullptr) return;
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(window_, &width, &height);
    int frameX = 0;
    int frameY = 0;
    if (!frameAt(fitFrame(width, height), x, y, frameX, frameY)) {
        pointerLeave();
        return;
    }
    const int32_t place = packPointer(frameX, frameY);
    if (pointerOver_ && place == pointerPlace_) return;
    pointerOver_ = true;
    pointerPlace_ = place;
    push(kMsgPointerMove, 0, place);
}

void GameWindow::pointerDown() {
    // A press on the black border is no press.
    if (!pointerOver_ || pointerPressed_) return;
    pointerPressed_ = true;
    push(kMsgPointerDown, 0, pointerPlace_);
}

void GameWindow::pointerUp() {
    // Released wherever it is, if its press was given: the action key never stays down.
    if (!pointerPressed_) return;
    pointerPressed_ = false;
    push(kMsgPointerUp, 0, pointerPlace_);
}

void GameWindow::pointerLeave() {
    if (!pointerOver_) return;
    pointerOver_ = false;
    push(kMsgPointerLeave, 0, 0);
}

void GameWindow::moveStick(StickAxis& axis, int value, uint32_t negativeKey, uint32_t positiveKey) {
    axis.move(value, negativeKey, positiveKey,
              [this](uint32_t id, uint32_t key) { push(id, key); });
}

void GameWindow::addGamepad(int deviceIndex) {
    SDL_GameController* controller = SDL_GameControllerOpen(deviceIndex);
    if (controller == nullptr) return;
    const SDL_JoystickID id = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(controller));
    auto found = gamepads_.find(id);
    if (found != gamepads_.end()) {
        SDL_GameControllerClose(controller);  // already open (listed at start and announced)
        return;
    }
    gamepads_[id].controller = controller;
}

void GameWindow::removeGamepad(SDL_JoystickID id) {
    auto found = gamepads_.find(id);
    if (found == gamepads_.end()) return;
    // A stick held while the pad is pulled out must not leave the paddle moving.
    moveStick(found->second.x, 0, kKeyLeft, kKeyRight);
    moveStick(found->second.y, 0, kKeyUp, kKeyDown);
    SDL_GameControllerClose(found->second.controller);
    gamepads_.erase(found);
}

void GameWindow::presentIfDue() {
    if (!displayOpen_ || suspended_ || window_ == nullptr) return;
    // Looked at once per display refresh at most: comparing the frame costs too.
    const uint64_t now = SDL_GetPerformanceCounter();
    if (checked_ && now - lastCheck_ < refreshTicks_) return;
    checked_ = true;
    lastCheck_ = now;
    if ((SDL_GetWindowFlags(window_) & (SDL_WINDOW_HIDDEN | SDL_WINDOW_MINIMIZED)) != 0) return;
    const bool changed = std::memcmp(pixels_.data(), shown_.data(), sizeof pixels_) != 0;
    if (!changed && !needsRepaint_) return;
    // Made anew by SDL after the window's size changed.
    SDL_Surface* screen = SDL_GetWindowSurface(window_);
    if (screen == nullptr) return;
    if (changed) shown_ = pixels_;
    const Letterbox box = fitFrame(screen->w, screen->h);
    const SDL_Rect target{box.x, box.y, box.width, box.height};
    if (needsRepaint_) SDL_FillRect(screen, nullptr, SDL_MapRGB(screen->format, 0, 0, 0));
    SDL_Rect scaled = target;  // the blit clips its copy
    // Converted first, then stretched within one format: SDL's fast paths for both.
    const bool shownNow = matchFormat(screen) &&
                          SDL_BlitSurface(frameSurface_, nullptr, converted_, nullptr) == 0 &&
                          SDL_BlitScaled(converted_, nullptr, screen, &scaled) == 0 &&
                          // Only the frame's square is sent, unless the letterbox is painted too.
                          (needsRepaint_ ? SDL_UpdateWindowSurface(window_)
                                         : SDL_UpdateWindowSurfaceRects(window_, &target, 1)) == 0;
    needsRepaint_ = !shownNow;  // tried again, whole, at the next refresh
    if (!shownNow) return;
    ++presents_;
}

}  // namespace platform
