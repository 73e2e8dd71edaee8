// The replay runner's built-in player: it only sends key messages.
#pragma once

// In play, steers the paddle under the lowest falling ball (where it will land) and presses
// action whenever a ball is held; on the stage screen it presses action to begin the level.
void installAutoplay();
