// The game's pace: how often the main loop's gates open and how far a tick moves the game.
#pragma once
#include <cstdint>

// The gates wait more than this many milliseconds, so each opens every kGateInterval + 1 ms.
inline constexpr uint32_t kGateInterval = 10;
inline constexpr uint32_t kMsPerTick = kGateInterval + 1;
// Game time a tick moves play on by, whatever time really passed: a game plays the same ticks
// however fast or slow the machine is.
inline constexpr int kTickStep = 10;

// A player may slow the game down: at a pace below 100 percent the time between ticks grows
// and nothing else changes, so a game at any pace plays the same ticks.
inline constexpr int kPaces[] = {100, 75, 50};
inline constexpr bool isPace(int percent) {
    return percent == 100 || percent == 75 || percent == 50;
}

// The pace in force, 100 unless the player chose another (the settings store, `--pace`).
// setPacePercent ignores a value that is not one of kPaces.
int pacePercent();
void setPacePercent(int percent);
// The pace a command line's `--pace PERCENT` names: one of kPaces written as a plain number, or
// 0 for anything else.
int paceArgument(const char* text);
// What a program says of a `--pace` it refuses.
inline constexpr const char* kPaceChoices = "--pace takes 100, 75 or 50 (percent of full pace)";
