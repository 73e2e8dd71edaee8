// The window on SDL's dummy video driver: SDL events in, handset messages out; full-screen
// keys; close, signals; gamepads; and the frame reaching the screen only when it changed.
#include "platform/sdl/game_window.h"

#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <vector>

#include "platform/display.h"
#include "platform/window.h"
#include "tests/platform_sdl/idle_pass.h"

namespace platform {
namespace {

using Seen = std::vector<std::pair<uint32_t, uint32_t>>;  // (message, wordParam)

constexpr int kQuietCalls = 3;   // this many empty answers in a row: the queue is drained
constexpr int kMaxCalls = 2000;  // a bound on waiting for something that should happen

class GameWindowTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(createWindow("Vextorium2"));
        showWindow();
        drain();
    }
    void TearDown() override { destroyWindow(); }

    Seen drain() {
        Seen seen;
        int quiet = 0;
        for (int i = 0; i < kMaxCalls && quiet < kQuietCalls; ++i) {
            Message message;
            if (takeOrWait(message)) {
                seen.emplace_back(message.id, message.wordParam);
                quiet = 0;
            } else {
                ++quiet;
            }
        }
        return seen;
    }

    void key(SDL_Scancode scancode, bool down, uint16_t modifiers = KMOD_NONE,
             bool repeat = false) {
        SDL_Event event{};
        event.type = down ? SDL_KEYDOWN : SDL_KEYUP;
        event.key.windowID = SDL_GetWindowID(gameWindow().sdlWindow());
        event.key.state = down ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat ? 1 : 0;
        event.key.keysym.scancode = scancode;
        event.key.keysym.mod = modifiers;
        SDL_PushEvent(&event);
    }

    void windowEvent(SDL_WindowEventID id) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.windowID = SDL_GetWindowID(gameWindow().sdlWindow());
        event.window.event = static_cast<Uint8>(id);
        SDL_PushEvent(&event);
    }
};

TEST_F(GameWindowTest, KeysBecomeHandsetKeyMessages) {
    key(SDL_SCANCODE_RETURN, true);
    key(SDL_SCANCODE_RETURN, true, KMOD_NONE, true);  // auto-repeat arrives as another down
    key(SDL_SCANCODE_RETURN, false);
    key(SDL_SCANCODE_KP_4, true);
    key(SDL_SCANCODE_A, true);  // means nothing: no message
    key(SDL_SCANCODE_F2, false);
    key(SDL_SCANCODE_ESCAPE, true);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x0D},
                             {0x100, 0x0D},
                             {0x101, 0x0D},
                             {0x100, 0x25},
                             {0x101, 0x71},
                             {0x100, 0x5B}}));
    EXPECT_EQ(defaultWindowProc(Message{0x0F, 0, 0}), 0);
}

TEST_F(GameWindowTest, FullScreenKeysStayInTheBackEnd) {
    ASSERT_TRUE(gameWindow().isFullScreen());  // starts full screen
    key(SDL_SCANCODE_RETURN, true, KMOD_LALT);
    key(SDL_SCANCODE_RETURN, true, KMOD_LALT, true);
    key(SDL_SCANCODE_RETURN, false, KMOD_LALT);
    EXPECT_EQ(drain(), Seen{});  // no action pressed, none released
    EXPECT_FALSE(gameWindow().isFullScreen());
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(gameWindow().sdlWindow(), &width, &height);
    EXPECT_EQ(width, 528);
    EXPECT_EQ(height, 660);
    key(SDL_SCANCODE_F11, true);
    key(SDL_SCANCODE_F11, false);
    EXPECT_EQ(drain(), Seen{});
    EXPECT_TRUE(gameWindow().isFullScreen());
    // Enter without Alt is the action key again.
    key(SDL_SCANCODE_RETURN, true);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x0D}}));
}

TEST_F(GameWindowTest, FocusCloseAndSignals) {
    windowEvent(SDL_WINDOWEVENT_FOCUS_LOST);
    windowEvent(SDL_WINDOWEVENT_FOCUS_GAINED);
    EXPECT_EQ(drain(), (Seen{{0x06, 0}, {0x08, 0}, {0x06, 1}, {0x07, 0}}));
    windowEvent(SDL_WINDOWEVENT_CLOSE);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x5B}}));
    SDL_Event quit{};
    quit.type = SDL_QUIT;
    SDL_PushEvent(&quit);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x5B}}));
    std::raise(SIGTERM);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x5B}}));
    std::raise(SIGINT);
    EXPECT_EQ(drain(), (Seen{{0x100, 0x5B}}));
}

TEST_F(GameWindowTest, GamepadButtonsAndStick) {
    // The dummy window never has focus, and pads are ignored by a window without it.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "test pad";
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0);
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr);
    drain();  // the pad is announced and opened by the window

    auto stick = [&](SDL_GameControllerAxis axis, int16_t value) {
        SDL_JoystickSetVirtualAxis(joystick, axis, value);
        SDL_JoystickUpdate();
        return drain();
    };
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 20000), (Seen{{0x100, 0x27}}));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 12000), Seen{});  // hysteresis: still held
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 4000), (Seen{{0x101, 0x27}}));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, -30000), (Seen{{0x100, 0x25}}));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTX, 30000), (Seen{{0x101, 0x25}, {0x100, 0x27}}));
    EXPECT_EQ(stick(SDL_CONTROLLER_AXIS_LEFTY, -20000), (Seen{{0x100, 0x26}}));

    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_PRESSED);
    SDL_JoystickUpdate();
    SDL_JoystickSetVirtualButton(joystick, SDL_CONTROLLER_BUTTON_A, SDL_RELEASED);
    SDL_JoystickUpdate();
    EXPECT_EQ(drain(), (Seen{{0x100, 0x0D}, {0x101, 0x0D}}));

    // Pulling the pad out releases the directions its stick still held.
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    const Seen released = drain();
    EXPECT_EQ(released, (Seen{{0x101, 0x27}, {0x101, 0x26}}));
}

TEST_F(GameWindowTest, FrameIsShownOnlyWhenItChanged) {
    const DisplayProperties properties = displayProperties();
    EXPECT_EQ(properties.width, 176u);
    EXPECT_EQ(properties.height, 220u);
    EXPECT_EQ(properties.xPitch, 2);
    EXPECT_EQ(properties.yPitch, 352);
    EXPECT_EQ(properties.bitsPerPixel, 16);

    openDisplay();
    uint16_t* frame = beginDraw();
    ASSERT_NE(frame, nullptr);
    frame[0] = 0xF800;                // red at (0, 0)
    frame[1] = 0x07C0;                // green at (1, 0), its lowest bit clear
    frame[219 * 176 + 175] = 0x001F;  // blue at the bottom-right corner
    endDraw();
    Message message;
    for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 0; ++i) takeOrWait(message);
    ASSERT_EQ(gameWindow().presentCount(), 1);

    // The dummy screen is 1024 x 768: 3x, the frame's corner at (248, 54).
    SDL_Surface* screen = SDL_GetWindowSurface(gameWindow().sdlWindow());
    ASSERT_NE(screen, nullptr);
    auto pixelAt = [&](int x, int y) {
        uint32_t value = 0;
        const auto* at = static_cast<const uint8_t*>(screen->pixels) + y * screen->pitch +
                         x * screen->format->BytesPerPixel;
        SDL_ConvertPixels(1, 1, screen->format->format, at, screen->pitch, SDL_PIXELFORMAT_ARGB8888,
                          &value, 4);
        return value & 0xFFFFFF;
    };
    EXPECT_EQ(pixelAt(248, 54), 0xFF0000u);
    EXPECT_EQ(pixelAt(250, 56), 0xFF0000u);
    EXPECT_EQ(pixelAt(251, 54) & 0xFF00FF, 0u);
    EXPECT_GE(pixelAt(251, 54) >> 8, 0xF8u);
    EXPECT_EQ(pixelAt(247, 54), 0u);  // letterbox
    EXPECT_EQ(pixelAt(248, 53), 0u);
    EXPECT_EQ(pixelAt(248 + 527, 54 + 659), 0x0000FFu);
    EXPECT_EQ(pixelAt(248 + 528, 54 + 659), 0u);

    // A still frame is not shown again, however often the queue is polled.
    for (int i = 0; i < 100; ++i) takeOrWait(message);
    EXPECT_EQ(gameWindow().presentCount(), 1);
    // A changed one is, once.
    frame[5] = 0xFFFF;
    for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 1; ++i) takeOrWait(message);
    EXPECT_EQ(gameWindow().presentCount(), 2);
    for (int i = 0; i < 100; ++i) takeOrWait(message);
    EXPECT_EQ(gameWindow().presentCount(), 2);

    // Suspended: nothing is shown; resumed: the window is repainted.
    suspendDisplay();
    frame[6] = 0xFFFF;
    for (int i = 0; i < 100; ++i) takeOrWait(message);
    EXPECT_EQ(gameWindow().presentCount(), 2);
    resumeDisplay();
    for (int i = 0; i < kMaxCalls && gameWindow().presentCount() == 2; ++i) takeOrWait(message);
    EXPECT_EQ(gameWindow().presentCount(), 3);
    closeDisplay();
}

// Asked for a window: three times the frame's size, not full screen until F11.
TEST(GameWindowStart, WindowedOnRequest) {
    ASSERT_TRUE(createWindow("Vextorium2", false));
    EXPECT_FALSE(gameWindow().isFullScreen());
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(gameWindow().sdlWindow(), &width, &height);
    EXPECT_EQ(width, 528);
    EXPECT_EQ(height, 660);
    destroyWindow();
}

}  // namespace
}  // namespace platform
