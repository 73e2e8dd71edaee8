// Key table: each back end's names for a key or button, looked up in the input map in force.
#include "platform/common/key_table.h"

#include "platform/common/input_map.h"

namespace platform {
namespace {

constexpr uint32_t kUsageEnter = 0x28;
constexpr uint32_t kUsageKeypadEnter = 0x58;
constexpr uint32_t kUsageF10 = 0x43;
constexpr uint32_t kUsageF11 = 0x44;

uint32_t keyForName(std::string_view name) {
    return name.empty() ? 0 : actionKey(actionOfKey(inputMap(), name));
}

uint32_t keyForButton(int sdlButton) {
    const std::string_view name = buttonName(sdlButton);
    return name.empty() ? 0 : actionKey(actionOfButton(inputMap(), name));
}

}  // namespace

uint32_t handsetKeyForUsage(uint32_t usage) {
    return keyForName(keyNameForUsage(usage));
}

uint32_t handsetKeyForCode(std::string_view code) {
    // Only the names the key table knows: a browser's name for a key it has no usage for
    // is none of the game's.
    return isKeyName(code) ? keyForName(code) : 0;
}

uint32_t handsetKeyForSdlButton(int button) {
    return keyForButton(button);
}

uint32_t handsetKeyForStandardButton(int index) {
    return keyForButton(sdlButtonForStandardIndex(index));
}

bool isFullScreenUsage(uint32_t usage, bool alt) {
    return usage == kUsageF11 || (alt && (usage == kUsageEnter || usage == kUsageKeypadEnter));
}

bool isFullScreenCode(std::string_view code, bool alt) {
    return code == "F11" || (alt && (code == "Enter" || code == "NumpadEnter"));
}

bool isSettingsUsage(uint32_t usage) {
    return usage == kUsageF10;
}

}  // namespace platform
