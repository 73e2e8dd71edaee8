// Keyboard and gamepad layout, the full-screen keys, and the stick's hysteresis.
#include "platform/sdl/key_map.h"

#include <gtest/gtest.h>

#include "platform/sdl/stick_axis.h"

namespace platform {
namespace {

TEST(KeyMap, KeyboardKeysGiveTheHandsetCodes) {
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_RETURN), 0x0Du);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_SPACE), 0x0Du);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_5), 0x0Du);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_LEFT), 0x25u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_UP), 0x26u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_RIGHT), 0x27u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_DOWN), 0x28u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_4), 0x25u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_8), 0x26u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_6), 0x27u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_2), 0x28u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_F1), 0x70u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_F2), 0x71u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_ESCAPE), 0x5Bu);
    // Keys the game does not use, and the full-screen key, give nothing.
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_A), 0u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_KP_7), 0u);
    EXPECT_EQ(handsetKeyForScancode(SDL_SCANCODE_F11), 0u);
}

TEST(KeyMap, GamepadButtonsGiveTheHandsetCodes) {
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_A), 0x0Du);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_DPAD_LEFT), 0x25u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_DPAD_UP), 0x26u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_DPAD_RIGHT), 0x27u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_DPAD_DOWN), 0x28u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_X), 0x70u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_Y), 0x71u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_BACK), 0x5Bu);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_B), 0u);
    EXPECT_EQ(handsetKeyForButton(SDL_CONTROLLER_BUTTON_START), 0u);
}

TEST(KeyMap, FullScreenKeysAreF11AndAltEnter) {
    EXPECT_TRUE(isFullScreenToggle(SDL_SCANCODE_F11, KMOD_NONE));
    EXPECT_TRUE(isFullScreenToggle(SDL_SCANCODE_RETURN, KMOD_LALT));
    EXPECT_TRUE(isFullScreenToggle(SDL_SCANCODE_RETURN, KMOD_RALT));
    EXPECT_TRUE(isFullScreenToggle(SDL_SCANCODE_KP_ENTER, KMOD_LALT | KMOD_NUM));
    EXPECT_FALSE(isFullScreenToggle(SDL_SCANCODE_RETURN, KMOD_NONE));
    EXPECT_FALSE(isFullScreenToggle(SDL_SCANCODE_RETURN, KMOD_LCTRL));
    EXPECT_FALSE(isFullScreenToggle(SDL_SCANCODE_SPACE, KMOD_LALT));
}

TEST(StickAxis, PressesPastHalfAndReleasesInsideAQuarter) {
    StickAxis axis;
    EXPECT_EQ(axis.update(16000), 0);  // not yet half way
    EXPECT_EQ(axis.update(16384), 1);  // half way: pressed
    EXPECT_EQ(axis.update(9000), 1);   // still beyond a quarter: held
    EXPECT_EQ(axis.update(8192), 1);   // exactly a quarter: held
    EXPECT_EQ(axis.update(8191), 0);   // inside a quarter: released
    EXPECT_EQ(axis.update(12000), 0);  // between the two: stays released
    EXPECT_EQ(axis.update(-32768), -1);
    EXPECT_EQ(axis.update(-8192), -1);
    EXPECT_EQ(axis.update(20000), 1);  // straight across the centre: the other way
    EXPECT_EQ(axis.update(-20000), -1);
    EXPECT_EQ(axis.update(0), 0);
}

}  // namespace
}  // namespace platform
