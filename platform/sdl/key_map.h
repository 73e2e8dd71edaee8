// Key map: keyboard keys and gamepad buttons to the handset's key codes.
#pragma once
#include <SDL.h>

#include <cstdint>

namespace platform {

// The handset key of a keyboard key, 0 when the key means nothing to the game.
uint32_t handsetKeyForScancode(SDL_Scancode scancode);

// The handset key of a gamepad button, 0 when the button means nothing to the game.
uint32_t handsetKeyForButton(SDL_GameControllerButton button);

// True for the keys the back end keeps for itself: F11, and Enter with Alt held (full screen).
bool isFullScreenToggle(SDL_Scancode scancode, uint16_t modifiers);

}  // namespace platform
