// The replay runner's built-in player: it only sends key messages.
#pragma once

// Steers the paddle under the lowest falling ball and presses action whenever a ball is held.
void installAutoplay();
