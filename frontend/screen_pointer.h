// ScreenPointer: the mouse or a finger on the screens that are lists to choose from (the menu,
// the options, the high scores and the name entry's grid). The entry under the pointer lights
// up as the cursor keys would light it; a press on an entry chooses that entry, a press on a
// soft-key label is that soft key, and a press on anything else does nothing. Every other
// screen takes a press as the action key (PointerSteering).
#pragma once
#include "platform/window.h"

class GameApp;

class ScreenPointer {
  public:
    // A pointer message: true when the screen shown took it (nothing else may act on it).
    bool handle(GameApp& app, const platform::Message& message);

  private:
    // Lights the entry at the place up; true when there is one.
    static bool pointAt(GameApp& app, int x, int y);
    static void pressAt(GameApp& app, int x, int y);

    bool pressTaken_ = false;  // the last press was this helper's: so is its release
};
