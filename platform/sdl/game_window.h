// GameWindow: the SDL window, its renderer and frame texture, and the translation of SDL events
// into the handset's window messages.
#pragma once
#include <SDL.h>

#include <array>
#include <bitset>
#include <cstdint>
#include <deque>
#include <map>
#include <string>

#include "platform/display.h"
#include "platform/sdl/stick_axis.h"
#include "platform/window.h"

namespace platform {

class GameWindow {
  public:
    static constexpr int kWindowedScale = 3;  // 528 x 660 when not full screen
    static constexpr uint64_t kRaiseCheckMs = 100;
    static constexpr uint64_t kPadUpdateMs = 4;
    static constexpr uint64_t kPumpMs = 8;  // the longest SDL goes without reading events

    // Starts SDL's video and gamepads and makes the window, hidden, full screen or windowed.
    bool create(const std::string& title, bool fullScreen = true);
    void show();
    void destroy();

    // The next message; when none waits: presents the frame if due, waits for an event at most
    // 1 ms and answers false.
    bool takeMessage(Message& message);

    void openDisplay();
    void closeDisplay();
    uint16_t* frame() { return pixels.data(); }
    void suspend() { suspended = true; }
    void resume();

    void toggleFullScreen();
    bool isFullScreen() const;
    SDL_Window* sdlWindow() const { return window; }
    // How many times the frame was put on the screen (a still frame is not shown again).
    int presentCount() const { return presents; }

  private:
    struct Gamepad {
        SDL_GameController* controller = nullptr;
        StickAxis x;
        StickAxis y;
    };

    void translate(const SDL_Event& event);
    void translateKey(const SDL_KeyboardEvent& key, bool down);
    void translateWindowEvent(const SDL_WindowEvent& event);
    void moveStick(StickAxis& axis, int value, uint32_t negativeKey, uint32_t positiveKey);
    void addGamepad(int deviceIndex);
    void removeGamepad(SDL_JoystickID id);
    void push(uint32_t id, uint32_t wordParam);
    void presentIfDue();
    void checkRaiseRequest();
    void waitForEvents();
    void findDisplayConnection();
    void makeTexture();
    void coverDisplay();
    void readRefreshRate();
    void setIcon();

    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    std::array<uint16_t, kFrameWidth * kFrameHeight> pixels{};
    std::array<uint16_t, kFrameWidth * kFrameHeight> shown{};  // the frame last uploaded
    bool displayOpen = false;
    bool suspended = false;
    bool needsRepaint = true;
    bool textureStale = true;  // the texture does not hold `shown`
    bool checked = false;
    uint64_t lastCheck = 0;  // performance-counter ticks
    uint64_t refreshTicks = 0;
    int presents = 0;
    uint64_t lastRaiseCheck = 0;  // ms
    uint64_t lastPadUpdate = 0;   // ms
    uint64_t lastPump = 0;        // ms
    bool presentedSincePump = false;
    int connection = -1;  // the X connection's descriptor, -1 when not on X

    std::deque<Message> queue;
    std::bitset<SDL_NUM_SCANCODES> swallowed;  // keys whose release must not reach the game
    std::map<SDL_JoystickID, Gamepad> gamepads;
};

// The one window of the program.
GameWindow& gameWindow();

}  // namespace platform
