// The window on SDL's dummy video driver: SDL events in, handset messages out; full-screen
// keys; close, signals; gamepads; and the frame reaching the screen only when it changed.
#include "platform/sdl/game_window.h"

#include <gtest/gtest.h>

#include <csignal>
#include <utility>
#include <vector>

#include "platform/common/input_map.h"
#include "platform/display.h"
#include "platform/sdl/letterbox.h"
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

    // With `places`, each message's longParam too.
    Seen drain(std::vector<int32_t>* places = nullptr) {
        Seen seen;
        int quiet = 0;
        for (int i = 0; i < kMaxCalls && quiet < kQuietCalls; ++i) {
            Message message;
            if (takeOrWait(message)) {
                seen.emplace_back(message.id, message.wordParam);
                if (places != nullptr) places->push_back(message.longParam);
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

    void text(const char* utf8) {
        SDL_Event event{};
        event.type = SDL_TEXTINPUT;
        event.text.windowID = SDL_GetWindowID(gameWindow().sdlWindow());
        SDL_strlcpy(event.text.text, utf8, sizeof event.text.text);
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

// Text typed by other keys is characters, one a code point; the text a game key types (Space,
// a keypad digit) is not. Backspace is character 8 as well as whatever else it means.
TEST_F(GameWindowTest, TypedTextBecomesCharacterMessages) {
    key(SDL_SCANCODE_A, true);
    text("a");
    key(SDL_SCANCODE_KP_5, true);
    text("5");
    key(SDL_SCANCODE_SPACE, true);
    text(" ");
    key(SDL_SCANCODE_7, true);
    text("7\xC3\xA9");
    SDL_Event backspace{};
    backspace.type = SDL_KEYDOWN;
    backspace.key.windowID = SDL_GetWindowID(gameWindow().sdlWindow());
    backspace.key.keysym.scancode = SDL_SCANCODE_BACKSPACE;
    backspace.key.keysym.sym = SDLK_BACKSPACE;
    SDL_PushEvent(&backspace);
    EXPECT_EQ(drain(), (Seen{{kMsgChar, 'a'},
                             {kMsgKeyDown, kKeyAction},
                             {kMsgKeyDown, kKeyAction},
                             {kMsgChar, '7'},
                             {kMsgChar, 0xE9},
                             {kMsgChar, kCharBackspace}}));
}

// The mouse and fingers reach the frame through the letterbox: a message only for a place over
// the frame, a leave when the pointer goes off it, and a press only where a release will follow.
TEST_F(GameWindowTest, MouseAndFingersBecomePointerMessagesInFramePixels) {
    int width = 0;
    int height = 0;
    SDL_GetWindowSize(gameWindow().sdlWindow(), &width, &height);
    const Letterbox box = fitFrame(width, height);
    ASSERT_GT(box.x, 0);  // a black border on the left to point at
    // The window point inside frame pixel (x, y), one window pixel past its corner.
    auto windowX = [&](int x) { return box.x + box.scale * x + 1; };
    auto windowY = [&](int y) { return box.y + box.scale * y + 1; };
    auto mouse = [&](Uint32 type, int x, int y, Uint32 which = 0) {
        SDL_Event event{};
        event.type = type;
        if (type == SDL_MOUSEMOTION) {
            event.motion.which = which;
            event.motion.x = x;
            event.motion.y = y;
        } else {
            event.button.which = which;
            event.button.button = SDL_BUTTON_LEFT;
            event.button.x = x;
            event.button.y = y;
        }
        SDL_PushEvent(&event);
    };
    auto finger = [&](Uint32 type, SDL_FingerID id, int x, int y) {
        SDL_Event event{};
        event.type = type;
        event.tfinger.fingerId = id;
        event.tfinger.x = static_cast<float>(windowX(x)) / static_cast<float>(width);
        event.tfinger.y = static_cast<float>(windowY(y)) / static_cast<float>(height);
        SDL_PushEvent(&event);
    };
    const uint32_t move = kMsgPointerMove, down = kMsgPointerDown, up = kMsgPointerUp,
                   leave = kMsgPointerLeave;

    mouse(SDL_MOUSEMOTION, windowX(100), windowY(50));
    mouse(SDL_MOUSEMOTION, windowX(100) + 1, windowY(50));  // the same frame pixel: nothing
    mouse(SDL_MOUSEBUTTONDOWN, windowX(175), windowY(219));
    mouse(SDL_MOUSEMOTION, box.x - 1, windowY(50));  // on the border, pressed
    mouse(SDL_MOUSEBUTTONUP, box.x - 1, windowY(50));
    mouse(SDL_MOUSEBUTTONDOWN, box.x - 1, windowY(50));  // a press on the border: nothing
    mouse(SDL_MOUSEBUTTONUP, box.x - 1, windowY(50));
    mouse(SDL_MOUSEMOTION, windowX(0), windowY(0), SDL_TOUCH_MOUSEID);  // made up from a finger
    std::vector<int32_t> places;
    EXPECT_EQ(drain(&places), (Seen{{move, 0}, {move, 0}, {down, 0}, {leave, 0}, {up, 0}}));
    EXPECT_EQ(places, (std::vector<int32_t>{100 | 50 << 16, 175 | 219 << 16, 175 | 219 << 16, 0,
                                            175 | 219 << 16}));

    // The first finger steers; a second is ignored; lifting the first releases and leaves.
    finger(SDL_FINGERDOWN, 7, 10, 200);
    finger(SDL_FINGERDOWN, 8, 90, 90);
    finger(SDL_FINGERMOTION, 7, 11, 200);
    finger(SDL_FINGERMOTION, 8, 90, 91);
    finger(SDL_FINGERUP, 7, 11, 200);
    finger(SDL_FINGERUP, 8, 90, 91);
    places.clear();
    EXPECT_EQ(drain(&places), (Seen{{move, 0}, {down, 0}, {move, 0}, {up, 0}, {leave, 0}}));
    EXPECT_EQ(places, (std::vector<int32_t>{10 | 200 << 16, 10 | 200 << 16, 11 | 200 << 16,
                                            11 | 200 << 16, 0}));

    // The pointer leaving the window.
    mouse(SDL_MOUSEMOTION, windowX(3), windowY(4));
    windowEvent(SDL_WINDOWEVENT_LEAVE);
    windowEvent(SDL_WINDOWEVENT_LEAVE);
    EXPECT_EQ(drain(), (Seen{{move, 0}, {leave, 0}}));
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

// The player's map decides which keys and buttons press which game keys; a key or button the
// settings screen waits for comes by its own number instead, its release swallowed; F10 is the
// settings key and never a game key.
TEST_F(GameWindowTest, RemappedKeysAndButtonsAndTheSettingsKeys) {
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    const int index = SDL_JoystickAttachVirtualEx(&desc);
    ASSERT_GE(index, 0);
    SDL_Joystick* joystick = SDL_JoystickOpen(index);
    ASSERT_NE(joystick, nullptr);
    drain();
    auto button = [&](SDL_GameControllerButton b, bool down) {
        SDL_JoystickSetVirtualButton(joystick, b, down ? SDL_PRESSED : SDL_RELEASED);
        SDL_JoystickUpdate();
    };

    const InputMap saved = inputMap();
    std::string why;
    ASSERT_TRUE(setKeys(inputMap(), static_cast<int>(GameAction::Left), {"KeyA"}, why));
    ASSERT_TRUE(
        setButtons(inputMap(), static_cast<int>(GameAction::Action), {"b", "rightshoulder"}, why));
    key(SDL_SCANCODE_A, true);
    key(SDL_SCANCODE_A, false);
    key(SDL_SCANCODE_LEFT, true);  // left has KeyA alone now: nothing
    key(SDL_SCANCODE_KP_4, true);
    button(SDL_CONTROLLER_BUTTON_A, true);  // no longer action
    button(SDL_CONTROLLER_BUTTON_A, false);
    button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
    button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
    key(SDL_SCANCODE_F10, true);
    key(SDL_SCANCODE_F10, false);
    EXPECT_EQ(
        drain(),
        (Seen{{0x100, 0x25}, {0x101, 0x25}, {0x100, 0x0D}, {0x101, 0x0D}, {kMsgSettings, 0}}));

    setCapturing(true);
    key(SDL_SCANCODE_Q, true);
    text("q");
    button(SDL_CONTROLLER_BUTTON_Y, true);
    EXPECT_EQ(drain(),
              (Seen{{kMsgBindKey, SDL_SCANCODE_Q}, {kMsgBindButton, SDL_CONTROLLER_BUTTON_Y}}));
    setCapturing(false);
    key(SDL_SCANCODE_Q, false);              // the bound key's release: swallowed
    button(SDL_CONTROLLER_BUTTON_Y, false);  // and the button's
    button(SDL_CONTROLLER_BUTTON_Y, true);   // then the button is soft right again
    EXPECT_EQ(drain(), (Seen{{0x100, 0x71}}));

    inputMap() = saved;
    SDL_JoystickClose(joystick);
    SDL_JoystickDetachVirtual(index);
    drain();
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
