// Keyboard and gamepad layout (the browser's names for the same keys and buttons too), the
// full-screen keys, the stick's hysteresis, and the colours a 24-bit back end shows.
#include "platform/sdl/key_map.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/common/key_table.h"
#include "platform/common/screen_colours.h"
#include "platform/common/stick_axis.h"

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

TEST(KeyMap, TheBrowserNamesGiveTheSameKeys) {
    const struct {
        SDL_Scancode scancode;
        const char* code;
    } same[] = {
        {SDL_SCANCODE_RETURN, "Enter"},
        {SDL_SCANCODE_KP_ENTER, "NumpadEnter"},
        {SDL_SCANCODE_SPACE, "Space"},
        {SDL_SCANCODE_KP_5, "Numpad5"},
        {SDL_SCANCODE_LEFT, "ArrowLeft"},
        {SDL_SCANCODE_KP_4, "Numpad4"},
        {SDL_SCANCODE_UP, "ArrowUp"},
        {SDL_SCANCODE_KP_8, "Numpad8"},
        {SDL_SCANCODE_RIGHT, "ArrowRight"},
        {SDL_SCANCODE_KP_6, "Numpad6"},
        {SDL_SCANCODE_DOWN, "ArrowDown"},
        {SDL_SCANCODE_KP_2, "Numpad2"},
        {SDL_SCANCODE_F1, "F1"},
        {SDL_SCANCODE_F2, "F2"},
        {SDL_SCANCODE_ESCAPE, "Escape"},
        {SDL_SCANCODE_A, "KeyA"},
        {SDL_SCANCODE_F11, "F11"},
    };
    for (const auto& key : same) {
        EXPECT_EQ(handsetKeyForCode(key.code), handsetKeyForScancode(key.scancode)) << key.code;
        EXPECT_EQ(isFullScreenCode(key.code, true), isFullScreenToggle(key.scancode, KMOD_ALT))
            << key.code;
    }
    EXPECT_EQ(handsetKeyForCode(""), 0u);
    EXPECT_TRUE(isFullScreenCode("F11", false));
    EXPECT_FALSE(isFullScreenCode("Enter", false));

    // The standard mapping: 0 A, 1 B, 2 X, 3 Y, 8 back, 9 start, 12..15 up, down, left, right.
    EXPECT_EQ(handsetKeyForStandardButton(0), 0x0Du);
    EXPECT_EQ(handsetKeyForStandardButton(1), 0u);
    EXPECT_EQ(handsetKeyForStandardButton(2), 0x70u);
    EXPECT_EQ(handsetKeyForStandardButton(3), 0x71u);
    EXPECT_EQ(handsetKeyForStandardButton(8), 0x5Bu);
    EXPECT_EQ(handsetKeyForStandardButton(9), 0u);
    EXPECT_EQ(handsetKeyForStandardButton(12), 0x26u);
    EXPECT_EQ(handsetKeyForStandardButton(13), 0x28u);
    EXPECT_EQ(handsetKeyForStandardButton(14), 0x25u);
    EXPECT_EQ(handsetKeyForStandardButton(15), 0x27u);
    EXPECT_EQ(handsetKeyForStandardButton(16), 0u);
}

// Every 16-bit pixel, converted by SDL exactly as the window's frame is, gives the colour a
// 24-bit back end shows.
TEST(ScreenColours, AreThoseTheDesktopWindowShows) {
    std::vector<uint16_t> pixels(65536);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint16_t>(i);
    SDL_Surface* from = SDL_CreateRGBSurfaceWithFormatFrom(pixels.data(), 256, 256, 16, 512,
                                                           SDL_PIXELFORMAT_RGB565);
    SDL_Surface* to = SDL_CreateRGBSurfaceWithFormat(0, 256, 256, 32, SDL_PIXELFORMAT_RGB888);
    ASSERT_NE(from, nullptr);
    ASSERT_NE(to, nullptr);
    ASSERT_EQ(SDL_BlitSurface(from, nullptr, to, nullptr), 0);
    int wrong = 0;
    for (size_t i = 0; i < pixels.size(); ++i) {
        const uint32_t shown = static_cast<const uint32_t*>(to->pixels)[i];
        const ScreenColour colour = screenColour(static_cast<uint16_t>(i));
        if (colour.red != ((shown >> 16) & 0xFF) || colour.green != ((shown >> 8) & 0xFF) ||
            colour.blue != (shown & 0xFF))
            ++wrong;
    }
    EXPECT_EQ(wrong, 0);
    // White as the game stores it (green's lowest bit clear) and the pure primaries.
    const ScreenColour white = screenColour(0xFFDF);
    EXPECT_EQ(white.red, 255);
    EXPECT_EQ(white.blue, 255);
    EXPECT_EQ(screenColour(0xF800).red, 255);
    EXPECT_EQ(screenColour(0x001F).blue, 255);
    EXPECT_EQ(screenColour(0x0000).green, 0);
    SDL_FreeSurface(to);
    SDL_FreeSurface(from);
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
