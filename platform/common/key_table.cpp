// Key table: one list of keys and one of gamepad buttons, looked up by each back end's names.
#include "platform/common/key_table.h"

#include "platform/window.h"

namespace platform {
namespace {

struct KeyBinding {
    uint16_t usage;
    std::string_view code;  // empty: the browser has no name for the key
    uint32_t handsetKey;
};

constexpr uint16_t kUsageEnter = 0x28;
constexpr uint16_t kUsageKeypadEnter = 0x58;
constexpr uint16_t kUsageF11 = 0x44;

constexpr KeyBinding kKeys[] = {
    {kUsageEnter, "Enter", kKeyAction},
    {0x9E, "", kKeyAction},  // the second Return key of some keyboards
    {kUsageKeypadEnter, "NumpadEnter", kKeyAction},
    {0x2C, "Space", kKeyAction},
    {0x5D, "Numpad5", kKeyAction},
    {0x50, "ArrowLeft", kKeyLeft},
    {0x5C, "Numpad4", kKeyLeft},
    {0x52, "ArrowUp", kKeyUp},
    {0x60, "Numpad8", kKeyUp},
    {0x4F, "ArrowRight", kKeyRight},
    {0x5E, "Numpad6", kKeyRight},
    {0x51, "ArrowDown", kKeyDown},
    {0x5A, "Numpad2", kKeyDown},
    {0x3A, "F1", kKeyLeftSoft},
    {0x3B, "F2", kKeyRightSoft},
    {0x29, "Escape", kKeyHome},
};

struct PadBinding {
    int sdlButton;       // SDL_GameControllerButton
    int standardButton;  // index in the standard mapping's buttons
    uint32_t handsetKey;
};

constexpr PadBinding kPadButtons[] = {
    {0, 0, kKeyAction},     // A (bottom face button)
    {2, 2, kKeyLeftSoft},   // X (left)
    {3, 3, kKeyRightSoft},  // Y (top)
    {4, 8, kKeyHome},       // Back / Select
    {11, 12, kKeyUp},       // d-pad
    {12, 13, kKeyDown},    {13, 14, kKeyLeft}, {14, 15, kKeyRight},
};

}  // namespace

uint32_t handsetKeyForUsage(uint32_t usage) {
    for (const KeyBinding& key : kKeys)
        if (key.usage == usage) return key.handsetKey;
    return 0;
}

uint32_t handsetKeyForCode(std::string_view code) {
    if (code.empty()) return 0;
    for (const KeyBinding& key : kKeys)
        if (key.code == code) return key.handsetKey;
    return 0;
}

uint32_t handsetKeyForSdlButton(int button) {
    for (const PadBinding& pad : kPadButtons)
        if (pad.sdlButton == button) return pad.handsetKey;
    return 0;
}

uint32_t handsetKeyForStandardButton(int index) {
    for (const PadBinding& pad : kPadButtons)
        if (pad.standardButton == index) return pad.handsetKey;
    return 0;
}

bool isFullScreenUsage(uint32_t usage, bool alt) {
    return usage == kUsageF11 || (alt && (usage == kUsageEnter || usage == kUsageKeypadEnter));
}

bool isFullScreenCode(std::string_view code, bool alt) {
    return code == "F11" || (alt && (code == "Enter" || code == "NumpadEnter"));
}

}  // namespace platform
