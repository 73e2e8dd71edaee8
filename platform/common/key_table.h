// Key table: the game keys of keyboard keys and gamepad buttons as each back end names them,
// through the input map in force (platform/common/input_map.h), the same in the desktop window
// and in the browser. Keys are named by their USB HID usage (the value of SDL's scancodes) and
// by the browser's KeyboardEvent.code for the same physical key; gamepad buttons by their place
// in SDL's controller layout and in the browser's standard gamepad mapping.
#pragma once
#include <cstdint>
#include <string_view>

namespace platform {

// The handset key of a keyboard key given by its USB HID usage, 0 when it means nothing to the
// game.
uint32_t handsetKeyForUsage(uint32_t usage);
// The same for a browser key code ("ArrowLeft", "Numpad5", ...).
uint32_t handsetKeyForCode(std::string_view code);

// The handset key of a gamepad button in SDL's controller layout, 0 for none.
uint32_t handsetKeyForSdlButton(int button);
// The same for a button index of the browser's standard gamepad mapping.
uint32_t handsetKeyForStandardButton(int index);

// The keys the back ends keep for themselves: F11, and Enter (either one) with Alt held, switch
// full screen on and off.
bool isFullScreenUsage(uint32_t usage, bool alt);
bool isFullScreenCode(std::string_view code, bool alt);

// The desktop program's settings key, F10 (the page has a settings panel of its own).
bool isSettingsUsage(uint32_t usage);

}  // namespace platform
