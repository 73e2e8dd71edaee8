// The settings store: a forgiving line reader and a whole-file writer.
#include "settings/settings_store.h"

#include <array>
#include <charconv>
#include <optional>

#include "globals/globals.h"
#include "platform/files.h"

namespace {

constexpr size_t kMaxOtherLines = 32;   // names kept for a later version, at most
constexpr size_t kMaxLineBytes = 1024;  // a longer line is no setting

std::string_view trim(std::string_view text) {
    const size_t first = text.find_first_not_of(" \t");
    if (first == std::string_view::npos) return {};
    const size_t last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Printable ASCII only: anything else (a damaged or binary file) is no setting.
bool printable(std::string_view text) {
    for (char c : text)
        if (c < 0x20 || c > 0x7E) return false;
    return true;
}

bool plainName(std::string_view name) {
    if (name.empty() || name.size() > 64) return false;
    for (char c : name)
        if (!((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '_'))
            return false;
    return true;
}

std::optional<int> number(std::string_view text, int low, int high) {
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    if (value < low || value > high) return std::nullopt;
    return value;
}

std::optional<bool> onOff(std::string_view text) {
    if (text == "on") return true;
    if (text == "off") return false;
    return std::nullopt;
}

// A comma-separated list of one to kMaxBindings names, each as `known` accepts it.
std::optional<platform::Bindings> nameList(std::string_view text, bool (*known)(std::string_view)) {
    platform::Bindings names;
    size_t count = 0;
    while (true) {
        const size_t comma = text.find(',');
        const std::string_view name = trim(text.substr(0, comma));
        if (name.empty() || count == names.size() || !known(name)) return std::nullopt;
        names[count++] = std::string(name);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return names;
}

bool knownButton(std::string_view name) {
    return platform::sdlButtonForName(name) >= 0;
}

using Requests = std::array<std::optional<platform::Bindings>, platform::kGameActions>;
using BindingSetter = bool (*)(platform::InputMap&, int, const platform::Bindings&, std::string&);

// The map the requests give: each requested action takes its names unless that would give a name
// to two actions (with another request, or with what another action keeps by default); then the
// request is dropped and the action keeps its default. Dropping a request can only remove
// conflicts, so this ends, and with the defaults alone there are none.
platform::InputMap resolve(Requests requests, BindingSetter set) {
    while (true) {
        platform::InputMap map = platform::InputMap::defaults();
        // Clear the requested actions first, so that one request may take another's default.
        for (int action = 0; action < platform::kGameActions; ++action) {
            if (!requests[action]) continue;
            auto& slot = set == platform::setKeys ? map.keys[action] : map.buttons[action];
            slot = platform::Bindings{};
        }
        bool refused = false;
        std::string why;
        for (int action = 0; action < platform::kGameActions && !refused; ++action) {
            if (!requests[action]) continue;
            if (!set(map, action, *requests[action], why)) {
                // The names it gives clash with an action set already (or kept by default):
                // drop this request, and the other's too when the other was one.
                for (const std::string& name : *requests[action]) {
                    const int other = set == platform::setKeys
                                          ? platform::actionOfKey(map, name)
                                          : platform::actionOfButton(map, name);
                    if (other >= 0) requests[other].reset();
                }
                requests[action].reset();
                refused = true;
            }
        }
        if (!refused) return map;
    }
}

void readLine(std::string_view line, Settings& s, Requests& keys, Requests& buttons) {
    if (line.size() > kMaxLineBytes || !printable(line)) return;
    line = trim(line);
    if (line.empty() || line.front() == '#') return;
    const size_t equals = line.find('=');
    if (equals == std::string_view::npos) return;
    const std::string_view name = trim(line.substr(0, equals));
    const std::string_view value = trim(line.substr(equals + 1));
    if (name == "pace") {
        if (auto v = number(value, 0, 100); v && (*v == 100 || *v == 75 || *v == 50)) s.pace = *v;
    } else if (name == "look.high_contrast") {
        if (auto v = onOff(value)) s.presentation.highContrast = *v;
    } else if (name == "look.flash_safe") {
        if (auto v = onOff(value)) s.presentation.flashSafe = *v;
    } else if (name == "sound.cues") {
        if (auto v = onOff(value)) s.presentation.soundCues = *v;
    } else if (name == "volume.music") {
        if (auto v = number(value, 0, 100)) s.presentation.musicVolume = *v;
    } else if (name == "volume.effects") {
        if (auto v = number(value, 0, 100)) s.presentation.effectsVolume = *v;
    } else if (name == "pointer.sensitivity") {
        if (auto v = number(value, Settings::kMinSensitivity, Settings::kMaxSensitivity))
            s.pointerSensitivity = *v;
    } else if (name == "touch.offset") {
        if (auto v = number(value, 0, Settings::kMaxTouchOffset)) s.touchOffset = *v;
    } else if (name == "touch.layout") {
        if (value == "both" || value == "left" || value == "right") s.touchLayout = value;
    } else if (name.starts_with("key.") || name.starts_with("pad.")) {
        const bool key = name.starts_with("key.");
        for (int action = 0; action < platform::kGameActions; ++action) {
            if (name.substr(4) != platform::actionName(action)) continue;
            auto names = nameList(value, key ? platform::isKeyName : knownButton);
            if (names) (key ? keys : buttons)[action] = *names;
        }
    } else if (plainName(name) && s.others.size() < kMaxOtherLines) {
        for (auto& [known, kept] : s.others) {
            if (known == name) {
                kept = value;
                return;
            }
        }
        s.others.emplace_back(name, value);
    }
}

std::string joined(const platform::Bindings& names) {
    std::string text;
    for (const std::string& name : names) {
        if (name.empty()) continue;
        if (!text.empty()) text += ", ";
        text += name;
    }
    return text;
}

}  // namespace

bool Settings::operator==(const Settings& o) const {
    const Presentation& a = presentation;
    const Presentation& b = o.presentation;
    return pace == o.pace && a.highContrast == b.highContrast && a.flashSafe == b.flashSafe &&
           a.soundCues == b.soundCues && a.musicVolume == b.musicVolume &&
           a.effectsVolume == b.effectsVolume && pointerSensitivity == o.pointerSensitivity &&
           touchOffset == o.touchOffset && touchLayout == o.touchLayout && inputMap == o.inputMap &&
           others == o.others;
}

Settings parseSettings(std::string_view text) {
    Settings s;
    Requests keys;
    Requests buttons;
    while (!text.empty()) {
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        readLine(line, s, keys, buttons);
        if (end == std::string_view::npos) break;
        text.remove_prefix(end + 1);
    }
    const platform::InputMap keyMap = resolve(keys, platform::setKeys);
    const platform::InputMap buttonMap = resolve(buttons, platform::setButtons);
    s.inputMap.keys = keyMap.keys;
    s.inputMap.buttons = buttonMap.buttons;
    return s;
}

std::string formatSettings(const Settings& s) {
    auto onOffText = [](bool on) { return on ? "on" : "off"; };
    std::string text =
        "# Vextorium2's settings, written by the game (`man vextorium2` names them).\n";
    text += "pace = " + std::to_string(s.pace) + "\n";
    text += std::string("look.high_contrast = ") + onOffText(s.presentation.highContrast) + "\n";
    text += std::string("look.flash_safe = ") + onOffText(s.presentation.flashSafe) + "\n";
    text += std::string("sound.cues = ") + onOffText(s.presentation.soundCues) + "\n";
    text += "volume.music = " + std::to_string(s.presentation.musicVolume) + "\n";
    text += "volume.effects = " + std::to_string(s.presentation.effectsVolume) + "\n";
    text += "pointer.sensitivity = " + std::to_string(s.pointerSensitivity) + "\n";
    if (s.touchOffset >= 0) text += "touch.offset = " + std::to_string(s.touchOffset) + "\n";
    text += "touch.layout = " + s.touchLayout + "\n";
    for (int action = 0; action < platform::kGameActions; ++action) {
        text += "key." + std::string(platform::actionName(action)) + " = " +
                joined(s.inputMap.keys[action]) + "\n";
    }
    for (int action = 0; action < platform::kGameActions; ++action) {
        text += "pad." + std::string(platform::actionName(action)) + " = " +
                joined(s.inputMap.buttons[action]) + "\n";
    }
    for (const auto& [name, value] : s.others) text += name + " = " + value + "\n";
    return text;
}

std::string settingsPath() {
    return writableDirectory() + kSettingsFileName;
}

Settings loadSettings(const std::string& path) {
    const platform::FileRead file =
        platform::readFile(path, kMaxSettingsBytes, platform::Longer::Refused);
    if (file.result != platform::FileRead::Read) return Settings{};
    return parseSettings(
        std::string_view(reinterpret_cast<const char*>(file.bytes.data()), file.bytes.size()));
}

bool saveSettings(const Settings& settings, const std::string& path) {
    const std::string text = formatSettings(settings);
    return platform::writeFileAtomically(path, text.data(), text.size());
}
