// GameWindow: the SDL window, the frame scaled into the window's own pixels, and the translation
// of SDL events (keys, gamepads, the mouse and fingers) into the handset's window messages.
#pragma once
#include <SDL.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "platform/common/stick_axis.h"
#include "platform/display.h"
#include "platform/window.h"

namespace platform {

class GameWindow {
  public:
    static constexpr int kWindowedScale = 3;  // 528 x 660 when not full screen
    static constexpr uint64_t kRaiseCheckMs = 100;
    static constexpr uint64_t kPadUpdateMs = 4;    // pads open: read this often at most
    static constexpr uint64_t kPadDetectMs = 100;  // none open: look for one plugged in

    // Starts SDL's video and gamepads and makes the window, hidden, full screen or windowed.
    bool create(const std::string& title, bool fullScreen = true);
    void show();
    void destroy();

    // The next message; when none waits: presents the frame if due and answers false at once.
    bool takeMessage(Message& message);
    // Sleeps until an event arrives, `ms` passed or a repaint of the window falls due; then
    // reads the gamepads if they are due.
    void waitForMessage(uint32_t ms);

    void openDisplay();
    void closeDisplay();
    uint16_t* frame() { return pixels_.data(); }
    void suspend() { suspended_ = true; }
    void resume();

    void toggleFullScreen();
    bool isFullScreen() const;
    SDL_Window* sdlWindow() const { return window_; }
    // How many times the frame was put on the screen (a still frame is not shown again).
    int presentCount() const { return presents_; }

  private:
    struct Gamepad {
        SDL_GameController* controller = nullptr;
        StickAxis x;
        StickAxis y;
    };

    void translate(const SDL_Event& event);
    void translateKey(const SDL_KeyboardEvent& key, bool down);
    void translateButton(uint8_t button, bool down);
    // Typed text (UTF-8) as character messages, one a code point.
    void translateText(const char* utf8);
    void translateWindowEvent(const SDL_WindowEvent& event);
    void translateMouse(const SDL_Event& event);
    void translateFinger(const SDL_TouchFingerEvent& finger);
    // The pointer at a window point: a move when over the frame (and not where it last was), a
    // leave when it went off the frame.
    void pointAt(int x, int y);
    void pointerDown();
    void pointerUp();
    void pointerLeave();
    void moveStick(StickAxis& axis, int value, uint32_t negativeKey, uint32_t positiveKey);
    void addGamepad(int deviceIndex);
    void removeGamepad(SDL_JoystickID id);
    void push(uint32_t id, uint32_t wordParam, int32_t longParam = 0);
    void presentIfDue();
    // Makes `converted_` of the window's pixel format; false if it cannot.
    bool matchFormat(const SDL_Surface* screen);
    void checkRaiseRequest();
    bool readEvents();
    uint32_t msUntilRepaint() const;
    void findDisplayConnection();
    void coverDisplay();
    void readRefreshRate();
    void setIcon();

    SDL_Window* window_ = nullptr;
    SDL_Surface* frameSurface_ = nullptr;  // `shown_` as a surface, to scale into the window
    SDL_Surface* converted_ = nullptr;     // `shown_` in the window's pixel format
    std::array<uint16_t, kFrameWidth * kFrameHeight> pixels_{};
    std::array<uint16_t, kFrameWidth * kFrameHeight> shown_{};  // the frame last shown
    bool displayOpen_ = false;
    bool suspended_ = false;
    bool needsRepaint_ = true;
    bool checked_ = false;
    uint64_t lastCheck_ = 0;  // performance-counter ticks
    uint64_t refreshTicks_ = 0;
    int presents_ = 0;
    uint64_t lastRaiseCheck_ = 0;  // ms
    uint64_t lastPadUpdate_ = 0;   // ms
    int connection_ = -1;          // the X connection's descriptor, -1 when not on X

    std::deque<Message> queue_;
    std::bitset<SDL_NUM_SCANCODES> swallowed_;  // keys whose release must not reach the game
    // buttons pressed to be bound by the settings screen: their release must not reach the game
    std::bitset<SDL_CONTROLLER_BUTTON_MAX> swallowedButtons_;
    bool textFromGameKey_ = false;  // the last key down was a game key: its text is not typed
    std::map<SDL_JoystickID, Gamepad> gamepads_;

    // The pointer: where it last was over the frame, whether it is there and pressed, and the
    // one finger that steers (the first one down; none: -1).
    int32_t pointerPlace_ = 0;
    bool pointerOver_ = false;
    bool pointerPressed_ = false;
    SDL_FingerID steeringFinger_ = -1;
};

// The one window of the program.
GameWindow& gameWindow();

}  // namespace platform
