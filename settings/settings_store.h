// The settings store: the player's settings as one small text file, `Settings.txt`, beside the
// saved game (docs/settings.md has its names and values). Reading never fails: a missing,
// damaged or oversized file, a bad line or a value out of range gives the default for what it
// could not read, and the game plays on. None of these settings changes how a game plays.
#pragma once
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "globals/presentation.h"
#include "platform/common/input_map.h"

struct Settings {
    int pace = 100;  // percent: 100, 75 or 50
    Presentation presentation;
    int pointerSensitivity = 100;  // percent, kMinSensitivity..kMaxSensitivity
    // The page's touch steering: kept as read, for the page (-1: not set, the page's default).
    int touchOffset = -1;
    std::string touchLayout = "both";
    platform::InputMap inputMap = platform::InputMap::defaults();
    // Lines of names this program does not know (a later version's), written back as read.
    std::vector<std::pair<std::string, std::string>> others;

    static constexpr int kMinSensitivity = 50;
    static constexpr int kMaxSensitivity = 200;
    static constexpr int kMaxTouchOffset = 60;

    bool operator==(const Settings& other) const;
};

inline constexpr const char* kSettingsFileName = "Settings.txt";
// Longer files are not read at all (the whole file, written by us, is a few hundred bytes).
inline constexpr size_t kMaxSettingsBytes = 64 * 1024;

// The settings a text gives; whatever it does not say well stays at its default. A key or
// button map that gives one key to two actions is refused for both actions (each keeps its
// default), as is one that takes a key another action keeps by default.
Settings parseSettings(std::string_view text);
// The whole file for these settings.
std::string formatSettings(const Settings& settings);

// writableDirectory() + kSettingsFileName.
std::string settingsPath();
// Reads the store (defaults where there is none or it cannot be read).
Settings loadSettings(const std::string& path = settingsPath());
// Writes the store whole, to a temporary file renamed over it. False when it could not.
bool saveSettings(const Settings& settings, const std::string& path = settingsPath());
