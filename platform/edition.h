// Edition service: which program the player runs and on what, so the screens can say what the
// player has in front of them.
#pragma once

namespace platform {

// The web page's edition (its credits say so); false for the desktop program.
bool webEdition();
// The player has a touch screen for a pointer (a phone, a tablet): the screens say "TAP" and
// name the page's buttons instead of the keyboard's keys. False on the desktop.
bool touchScreen();

}  // namespace platform
