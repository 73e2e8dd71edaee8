// The player's settings in the running program, and the settings screen's place in it.
#include "shell/player_settings.h"

#include <memory>
#include <set>

#include "frontend/game_app.h"
#include "frontend/pointer_steering.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "platform/common/input_map.h"
#include "settings/settings_screen.h"
#include "settings/settings_store.h"
#include "shell/pace.h"
#include "shell/program.h"
#include "sound/sound_clip.h"

namespace {

struct Store {
    bool used = false;
    std::string path;
    bool withPace = true;
    bool openScreen = false;
};
Store store;

// The settings in force, as the screen starts from them.
Settings current;

std::unique_ptr<SettingsScreen> screen;
std::unique_ptr<Canvas> picture;
// The keys pressed while the screen was open: their releases are the screen's too (one release
// however often a held key repeated).
std::set<uint32_t> heldOnScreen;
// The pointer was pressed on the screen: its release is the screen's too.
bool pressedOnScreen = false;

}  // namespace

void useSettingsStore(const std::string& path, bool withPace, bool openScreen) {
    store = Store{true, path, withPace, openScreen};
}

void applySettings(const Settings& settings) {
    current = settings;
    if (store.withPace) setPacePercent(settings.pace);
    presentation() = settings.presentation;
    platform::inputMap() = settings.inputMap;
    if (program().steering != nullptr)
        program().steering->setSensitivity(settings.pointerSensitivity);
    SoundClip::applyVolumes();
}

void startPlayerSettings() {
    screen.reset();
    heldOnScreen.clear();
    pressedOnScreen = false;
    platform::setCapturing(false);
    if (!store.used) return;
    if (store.path.empty()) store.path = settingsPath();
    reloadSettings();
    if (store.openScreen) toggleSettingsScreen();
}

void reloadSettings() {
    if (!store.used) return;
    Settings settings = loadSettings(store.path);
    if (!store.withPace) settings.pace = pacePercent();
    applySettings(settings);
}

bool settingsScreenOpen() {
    return screen != nullptr;
}

void closeSettingsScreen() {
    screen.reset();
    platform::setCapturing(false);
}

void toggleSettingsScreen() {
    if (screen != nullptr) {
        closeSettingsScreen();
        return;
    }
    GameApp* app = program().app.get();
    // A game moving in play pauses first, as when the window is lost (and its record says so).
    if (app != nullptr && app->state() == PLAY && app->gameRunning()) app->loseWindow();
    Settings settings = current;
    screen = std::make_unique<SettingsScreen>(settings);
    screen->setGameInPlay(app != nullptr && app->inGame());
    if (picture == nullptr) picture = std::make_unique<Canvas>();
}

namespace {

void follow(SettingsScreen::Outcome outcome) {
    switch (outcome) {
        case SettingsScreen::Outcome::Stay:
            break;
        case SettingsScreen::Outcome::Changed:
            applySettings(screen->settings());
            // Kept for the next start; a file that cannot be written leaves them in force for
            // this run only, and the player is told.
            if (store.used && !saveSettings(current, store.path))
                screen->tell("Could not save Settings.txt");
            break;
        case SettingsScreen::Outcome::Close:
            closeSettingsScreen();
            return;
    }
    platform::setCapturing(screen->capturing());
}

}  // namespace

bool settingsScreenTakes(const platform::Message& message) {
    switch (message.id) {
        case platform::kMsgKeyUp:
            // A release of a key pressed on the screen: the screen's, open or not by now.
            return heldOnScreen.erase(message.wordParam) != 0;
        case platform::kMsgPointerUp:
            if (pressedOnScreen && screen == nullptr) {
                pressedOnScreen = false;
                return true;
            }
            break;
        case platform::kMsgSettings:
            toggleSettingsScreen();
            return true;
        default:
            break;
    }
    if (screen == nullptr) {
        // Keys to bind that come after the screen closed mean nothing.
        return message.id == platform::kMsgBindKey || message.id == platform::kMsgBindButton;
    }
    switch (message.id) {
        case platform::kMsgKeyDown:
            heldOnScreen.insert(message.wordParam);
            follow(screen->pressKey(message.wordParam));
            return true;
        case platform::kMsgBindKey:
            follow(screen->bindKey(message.wordParam));
            return true;
        case platform::kMsgBindButton:
            follow(screen->bindButton(static_cast<int>(message.wordParam)));
            return true;
        case platform::kMsgChar:
            return true;
        case platform::kMsgPointerDown:
            pressedOnScreen = true;
            follow(screen->pointer(message));
            return true;
        case platform::kMsgPointerUp:
            pressedOnScreen = false;
            follow(screen->pointer(message));
            return true;
        case platform::kMsgPointerMove:
        case platform::kMsgPointerLeave:
            follow(screen->pointer(message));
            return true;
        default:
            return false;
    }
}

const Canvas* drawSettingsScreen() {
    if (screen == nullptr || picture == nullptr) return nullptr;
    screen->draw(*picture);
    return picture.get();
}
