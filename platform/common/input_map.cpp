// Input map: the default layout, the names of keys and buttons, and the rule that a key or
// button serves one action only.
#include "platform/common/input_map.h"

#include "platform/window.h"

namespace platform {
namespace {

constexpr std::string_view kActionNames[kGameActions] = {
    "up", "down", "left", "right", "action", "soft_left", "soft_right", "home"};
constexpr uint32_t kActionKeys[kGameActions] = {kKeyUp,     kKeyDown,     kKeyLeft,      kKeyRight,
                                                kKeyAction, kKeyLeftSoft, kKeyRightSoft, kKeyHome};

struct NamedKey {
    uint16_t usage;
    std::string_view name;
};

// The keys of a full keyboard by their USB HID usage and the browser's name. The second Return
// key some keyboards have (0x9E) has no name of its own: it is Enter.
// clang-format off
constexpr NamedKey kKeys[] = {
    {0x04, "KeyA"},         {0x05, "KeyB"},           {0x06, "KeyC"},
    {0x07, "KeyD"},         {0x08, "KeyE"},           {0x09, "KeyF"},
    {0x0A, "KeyG"},         {0x0B, "KeyH"},           {0x0C, "KeyI"},
    {0x0D, "KeyJ"},         {0x0E, "KeyK"},           {0x0F, "KeyL"},
    {0x10, "KeyM"},         {0x11, "KeyN"},           {0x12, "KeyO"},
    {0x13, "KeyP"},         {0x14, "KeyQ"},           {0x15, "KeyR"},
    {0x16, "KeyS"},         {0x17, "KeyT"},           {0x18, "KeyU"},
    {0x19, "KeyV"},         {0x1A, "KeyW"},           {0x1B, "KeyX"},
    {0x1C, "KeyY"},         {0x1D, "KeyZ"},           {0x1E, "Digit1"},
    {0x1F, "Digit2"},       {0x20, "Digit3"},         {0x21, "Digit4"},
    {0x22, "Digit5"},       {0x23, "Digit6"},         {0x24, "Digit7"},
    {0x25, "Digit8"},       {0x26, "Digit9"},         {0x27, "Digit0"},
    {0x28, "Enter"},        {0x29, "Escape"},         {0x2A, "Backspace"},
    {0x2B, "Tab"},          {0x2C, "Space"},          {0x2D, "Minus"},
    {0x2E, "Equal"},        {0x2F, "BracketLeft"},    {0x30, "BracketRight"},
    {0x31, "Backslash"},    {0x33, "Semicolon"},      {0x34, "Quote"},
    {0x35, "Backquote"},    {0x36, "Comma"},          {0x37, "Period"},
    {0x38, "Slash"},        {0x39, "CapsLock"},       {0x3A, "F1"},
    {0x3B, "F2"},           {0x3C, "F3"},             {0x3D, "F4"},
    {0x3E, "F5"},           {0x3F, "F6"},             {0x40, "F7"},
    {0x41, "F8"},           {0x42, "F9"},             {0x43, "F10"},
    {0x44, "F11"},          {0x45, "F12"},            {0x46, "PrintScreen"},
    {0x47, "ScrollLock"},   {0x48, "Pause"},          {0x49, "Insert"},
    {0x4A, "Home"},         {0x4B, "PageUp"},         {0x4C, "Delete"},
    {0x4D, "End"},          {0x4E, "PageDown"},       {0x4F, "ArrowRight"},
    {0x50, "ArrowLeft"},    {0x51, "ArrowDown"},      {0x52, "ArrowUp"},
    {0x53, "NumLock"},      {0x54, "NumpadDivide"},   {0x55, "NumpadMultiply"},
    {0x56, "NumpadSubtract"}, {0x57, "NumpadAdd"},    {0x58, "NumpadEnter"},
    {0x59, "Numpad1"},      {0x5A, "Numpad2"},        {0x5B, "Numpad3"},
    {0x5C, "Numpad4"},      {0x5D, "Numpad5"},        {0x5E, "Numpad6"},
    {0x5F, "Numpad7"},      {0x60, "Numpad8"},        {0x61, "Numpad9"},
    {0x62, "Numpad0"},      {0x63, "NumpadDecimal"},  {0x64, "IntlBackslash"},
    {0x65, "ContextMenu"},  {0x9E, "Enter"},          {0xE0, "ControlLeft"},
    {0xE1, "ShiftLeft"},    {0xE2, "AltLeft"},        {0xE3, "MetaLeft"},
    {0xE4, "ControlRight"}, {0xE5, "ShiftRight"},     {0xE6, "AltRight"},
    {0xE7, "MetaRight"},
};
// clang-format on

// SDL's controller layout, in its order, and each button's index in the standard mapping.
struct NamedButton {
    std::string_view name;
    int standardIndex;
};
constexpr NamedButton kButtons[kButtonCount] = {
    {"a", 0},
    {"b", 1},
    {"x", 2},
    {"y", 3},
    {"back", 8},
    {"guide", 16},
    {"start", 9},
    {"leftstick", 10},
    {"rightstick", 11},
    {"leftshoulder", 4},
    {"rightshoulder", 5},
    {"dpup", 12},
    {"dpdown", 13},
    {"dpleft", 14},
    {"dpright", 15},
};

int actionOf(const std::array<Bindings, kGameActions>& all, std::string_view name) {
    if (name.empty()) return -1;
    for (int action = 0; action < kGameActions; ++action)
        for (const std::string& bound : all[action])
            if (bound == name) return action;
    return -1;
}

bool setBindings(std::array<Bindings, kGameActions>& all, int action, const Bindings& names,
                 bool (*known)(std::string_view), bool keys, std::string& why) {
    if (action < 0 || action >= kGameActions) {
        why = "no such action";
        return false;
    }
    Bindings kept;
    int count = 0;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!known(name)) {
            why = "unknown " + std::string(keys ? "key " : "button ") + name;
            return false;
        }
        if (keys && isReservedKey(name)) {
            why = name + (name == "F10" ? " opens settings" : " is for full screen");
            return false;
        }
        for (int i = 0; i < count; ++i) {
            if (kept[i] == name) {
                why = name + " named twice";
                return false;
            }
        }
        const int other = actionOf(all, name);
        if (other >= 0 && other != action) {
            why = name + " is for " + std::string(actionName(other));
            return false;
        }
        kept[count++] = name;
    }
    if (count == 0) {
        why = "no key given";
        return false;
    }
    all[action] = kept;
    return true;
}

bool knownButton(std::string_view name) {
    return sdlButtonForName(name) >= 0;
}

}  // namespace

std::string_view actionName(int action) {
    return action >= 0 && action < kGameActions ? kActionNames[action] : std::string_view();
}

uint32_t actionKey(int action) {
    return action >= 0 && action < kGameActions ? kActionKeys[action] : 0;
}

InputMap InputMap::defaults() {
    InputMap map;
    auto at = [](GameAction action) { return static_cast<size_t>(action); };
    map.keys[at(GameAction::Up)] = {"ArrowUp", "Numpad8"};
    map.keys[at(GameAction::Down)] = {"ArrowDown", "Numpad2"};
    map.keys[at(GameAction::Left)] = {"ArrowLeft", "Numpad4"};
    map.keys[at(GameAction::Right)] = {"ArrowRight", "Numpad6"};
    map.keys[at(GameAction::Action)] = {"Enter", "Space", "NumpadEnter", "Numpad5"};
    map.keys[at(GameAction::SoftLeft)] = {"F1"};
    map.keys[at(GameAction::SoftRight)] = {"F2"};
    map.keys[at(GameAction::Home)] = {"Escape"};
    map.buttons[at(GameAction::Up)] = {"dpup"};
    map.buttons[at(GameAction::Down)] = {"dpdown"};
    map.buttons[at(GameAction::Left)] = {"dpleft"};
    map.buttons[at(GameAction::Right)] = {"dpright"};
    map.buttons[at(GameAction::Action)] = {"a"};
    map.buttons[at(GameAction::SoftLeft)] = {"x"};
    map.buttons[at(GameAction::SoftRight)] = {"y"};
    map.buttons[at(GameAction::Home)] = {"back"};
    return map;
}

InputMap& inputMap() {
    static InputMap map = InputMap::defaults();
    return map;
}

std::string_view keyNameForUsage(uint32_t usage) {
    for (const NamedKey& key : kKeys)
        if (key.usage == usage) return key.name;
    return {};
}

uint32_t usageForKeyName(std::string_view name) {
    if (name.empty()) return 0;
    for (const NamedKey& key : kKeys)
        if (key.name == name) return key.usage;
    return 0;
}

bool isKeyName(std::string_view name) {
    return usageForKeyName(name) != 0;
}

std::string_view buttonName(int sdlButton) {
    return sdlButton >= 0 && sdlButton < kButtonCount ? kButtons[sdlButton].name
                                                      : std::string_view();
}

int sdlButtonForName(std::string_view name) {
    for (int b = 0; b < kButtonCount; ++b)
        if (kButtons[b].name == name) return b;
    return -1;
}

int standardIndexForSdlButton(int sdlButton) {
    return sdlButton >= 0 && sdlButton < kButtonCount ? kButtons[sdlButton].standardIndex : -1;
}

int sdlButtonForStandardIndex(int index) {
    for (int b = 0; b < kButtonCount; ++b)
        if (kButtons[b].standardIndex == index) return b;
    return -1;
}

namespace {
bool capturingNow = false;
}  // namespace

bool capturing() {
    return capturingNow;
}

void setCapturing(bool on) {
    capturingNow = on;
}

bool isReservedKey(std::string_view name) {
    return name == "F10" || name == "F11";
}

int actionOfKey(const InputMap& map, std::string_view name) {
    return actionOf(map.keys, name);
}

int actionOfButton(const InputMap& map, std::string_view name) {
    return actionOf(map.buttons, name);
}

bool setKeys(InputMap& map, int action, const Bindings& names, std::string& why) {
    return setBindings(map.keys, action, names, isKeyName, true, why);
}

bool setButtons(InputMap& map, int action, const Bindings& names, std::string& why) {
    return setBindings(map.buttons, action, names, knownButton, false, why);
}

}  // namespace platform
