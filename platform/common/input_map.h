// Input map: which keyboard keys and gamepad buttons press which of the game's keys. One map
// serves the desktop window and the page: keys are named by the browser's KeyboardEvent.code
// ("ArrowLeft", "KeyA") and known to the desktop by their USB HID usage (SDL's scancode);
// buttons by the names of SDL's controller layout ("a", "dpleft"), placed in both SDL's layout
// and the browser's standard gamepad mapping. The map only decides which game key a press
// becomes: play, and a game's record, see the game keys alone.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

// The game keys a player can place, in the order the settings name and show them.
enum class GameAction { Up, Down, Left, Right, Action, SoftLeft, SoftRight, Home };
inline constexpr int kGameActions = 8;
inline constexpr int kMaxBindings = 4;  // the default action key has four; a player sets two

// "up", "down", "left", "right", "action", "soft_left", "soft_right", "home".
std::string_view actionName(int action);
// The game key code (kKeyUp, ...) an action presses.
uint32_t actionKey(int action);

// The keys (or buttons) of one action: names, the empty ones unused, the used ones first.
using Bindings = std::array<std::string, kMaxBindings>;

struct InputMap {
    std::array<Bindings, kGameActions> keys;
    std::array<Bindings, kGameActions> buttons;
    // The keys and buttons the game has always had.
    static InputMap defaults();
    bool operator==(const InputMap&) const = default;
};

// The map in force, the defaults until the settings store sets another.
InputMap& inputMap();

// The key's name for a USB HID usage, empty for a key the game has no name for.
std::string_view keyNameForUsage(uint32_t usage);
// The USB HID usage of a named key, 0 for an unknown name.
uint32_t usageForKeyName(std::string_view name);
bool isKeyName(std::string_view name);

// Gamepad buttons: SDL's controller layout numbers them 0..14 as kButtonNames lists them.
inline constexpr int kButtonCount = 15;
std::string_view buttonName(int sdlButton);   // empty when out of range
int sdlButtonForName(std::string_view name);  // -1 for an unknown name
// The same button in the browser's standard mapping (its button index), -1 for none.
int standardIndexForSdlButton(int sdlButton);
int sdlButtonForStandardIndex(int index);

// Keys no action may take: F10 opens the settings, F11 switches full screen.
bool isReservedKey(std::string_view name);

// Which action a key (or button) serves in `map`, -1 for none.
int actionOfKey(const InputMap& map, std::string_view name);
int actionOfButton(const InputMap& map, std::string_view name);

// Gives `action` the keys (or buttons) `names` (one to kMaxBindings, the empty ones ignored).
// Refused, and the map unchanged, when a name is unknown or reserved, named twice, or already
// serves another action; `why` then says so in a few words for the player.
bool setKeys(InputMap& map, int action, const Bindings& names, std::string& why);
bool setButtons(InputMap& map, int action, const Bindings& names, std::string& why);

// Whether the settings screen waits for a key or button to bind (see kMsgBindKey).
bool capturing();
void setCapturing(bool on);

}  // namespace platform
