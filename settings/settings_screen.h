// SettingsScreen: the desktop program's own settings screen, drawn in the game's frame with its
// pixel font. A first page of values (pace, looks, cues, volumes, pointer sensitivity) and two
// pages that place keys and gamepad buttons: the player picks an action's first or second key,
// then presses the new one (Escape or the home key cancels; a key another action has is refused,
// with a message). It only edits its copy of the settings: the caller applies and stores them.
#pragma once
#include <cstdint>
#include <string>

#include "platform/window.h"
#include "settings/settings_store.h"

class Canvas;

class SettingsScreen {
  public:
    enum class Page { Main, Keys, Gamepad };
    enum class Outcome {
        Stay,     // nothing to do but draw again
        Changed,  // the settings changed: apply and store them
        Close,    // the player left the screen
    };

    explicit SettingsScreen(const Settings& settings) : settings_(settings) {}
    // While a game is in play its pace stays as it is (its record holds one pace).
    void setGameInPlay(bool inPlay) { gameInPlay_ = inPlay; }

    // A game key (after the map), while no new key is awaited.
    Outcome pressKey(uint32_t gameKey);
    // A key (by USB HID usage) or a button (SDL's layout) pressed while one is awaited.
    Outcome bindKey(uint32_t usage);
    Outcome bindButton(int sdlButton);
    // The pointer over the frame: a move picks the row under it, a press chooses it.
    Outcome pointer(const platform::Message& message);

    // Whether a new key or button is awaited (the back end then sends it by name).
    bool capturing() const { return capturing_; }
    const Settings& settings() const { return settings_; }
    Page page() const { return page_; }
    int selection() const { return selection_; }
    const std::string& message() const { return message_; }
    // Shown under the rows until the next key (a change the store could not keep, say).
    void tell(const std::string& message) { message_ = message; }

    void draw(Canvas& canvas) const;

  private:
    int rows() const;
    int rowAt(int y) const;
    Outcome choose();
    Outcome change(int direction);
    Outcome bind(const std::string& name, bool button);
    void leavePage();

    Settings settings_;
    Page page_ = Page::Main;
    int selection_ = 0;
    bool capturing_ = false;
    bool gameInPlay_ = false;
    std::string message_;
};
