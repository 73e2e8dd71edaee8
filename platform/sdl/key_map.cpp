// Key map: SDL's names for the keys and buttons of the game's key table.
#include "platform/sdl/key_map.h"

#include "platform/common/key_table.h"

namespace platform {

// SDL's scancodes are the keys' USB HID usages, as the key table names them.
static_assert(SDL_SCANCODE_RETURN == 0x28 && SDL_SCANCODE_F11 == 0x44 &&
              SDL_SCANCODE_KP_ENTER == 0x58 && SDL_SCANCODE_RETURN2 == 0x9E);
// And its controller buttons are numbered as the table expects.
static_assert(SDL_CONTROLLER_BUTTON_A == 0 && SDL_CONTROLLER_BUTTON_X == 2 &&
              SDL_CONTROLLER_BUTTON_Y == 3 && SDL_CONTROLLER_BUTTON_BACK == 4 &&
              SDL_CONTROLLER_BUTTON_DPAD_UP == 11 && SDL_CONTROLLER_BUTTON_DPAD_RIGHT == 14);

uint32_t handsetKeyForScancode(SDL_Scancode scancode) {
    return handsetKeyForUsage(static_cast<uint32_t>(scancode));
}

uint32_t handsetKeyForButton(SDL_GameControllerButton button) {
    return handsetKeyForSdlButton(static_cast<int>(button));
}

bool isFullScreenToggle(SDL_Scancode scancode, uint16_t modifiers) {
    return isFullScreenUsage(static_cast<uint32_t>(scancode), (modifiers & KMOD_ALT) != 0);
}

}  // namespace platform
