// Key map: the keyboard and gamepad layout of the desktop game.
#include "platform/sdl/key_map.h"

#include "platform/window.h"

namespace platform {

uint32_t handsetKeyForScancode(SDL_Scancode scancode) {
    switch (scancode) {
        case SDL_SCANCODE_RETURN:
        case SDL_SCANCODE_RETURN2:
        case SDL_SCANCODE_KP_ENTER:
        case SDL_SCANCODE_SPACE:
        case SDL_SCANCODE_KP_5:
            return kKeyAction;
        case SDL_SCANCODE_LEFT:
        case SDL_SCANCODE_KP_4:
            return kKeyLeft;
        case SDL_SCANCODE_UP:
        case SDL_SCANCODE_KP_8:
            return kKeyUp;
        case SDL_SCANCODE_RIGHT:
        case SDL_SCANCODE_KP_6:
            return kKeyRight;
        case SDL_SCANCODE_DOWN:
        case SDL_SCANCODE_KP_2:
            return kKeyDown;
        case SDL_SCANCODE_F1:
            return kKeyLeftSoft;
        case SDL_SCANCODE_F2:
            return kKeyRightSoft;
        case SDL_SCANCODE_ESCAPE:
            return kKeyHome;
        default:
            return 0;
    }
}

uint32_t handsetKeyForButton(SDL_GameControllerButton button) {
    switch (button) {
        case SDL_CONTROLLER_BUTTON_A:
            return kKeyAction;
        case SDL_CONTROLLER_BUTTON_DPAD_LEFT:
            return kKeyLeft;
        case SDL_CONTROLLER_BUTTON_DPAD_UP:
            return kKeyUp;
        case SDL_CONTROLLER_BUTTON_DPAD_RIGHT:
            return kKeyRight;
        case SDL_CONTROLLER_BUTTON_DPAD_DOWN:
            return kKeyDown;
        case SDL_CONTROLLER_BUTTON_X:
            return kKeyLeftSoft;
        case SDL_CONTROLLER_BUTTON_Y:
            return kKeyRightSoft;
        case SDL_CONTROLLER_BUTTON_BACK:
            return kKeyHome;
        default:
            return 0;
    }
}

bool isFullScreenToggle(SDL_Scancode scancode, uint16_t modifiers) {
    if (scancode == SDL_SCANCODE_F11) return true;
    const bool enter = scancode == SDL_SCANCODE_RETURN || scancode == SDL_SCANCODE_KP_ENTER;
    return enter && (modifiers & KMOD_ALT) != 0;
}

}  // namespace platform
