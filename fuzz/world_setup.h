// The globals a playfield needs outside the shell (score counter, explosion sheet), made once
// per fuzzing process, and a short scripted stretch of play.
#pragma once
#include "world/playfield.h"

namespace fuzzing {

// The play globals, made once per process and restarted (score 0, generator seeded) per call.
void setUpWorldGlobals();

// Launches the ball and plays up to `ticks` steps of 10 ms, steering to and fro and firing,
// until the level is cleared or the game is over; then draws the playfield once.
void playAWhile(Playfield& playfield, int ticks);

// Keeps one brick of every kind, a ball, a bullet and an item alive for the rest of the
// process, so their sprite sheets stay decoded between inputs instead of being decoded again
// each time a playfield's last one goes. Idempotent.
void holdSpriteSheets();

}  // namespace fuzzing
