// The replay runner's built-in player: it only sends key messages.
#pragma once
#include <cstdint>
#include <functional>

// In play, steers the paddle under the lowest falling ball (where it will land) and presses
// action whenever a ball is held; on the stage screen it presses action to begin the level.
// `after`, when given, is called once per virtual millisecond right after the player's own
// decision (the soak test chains its checks and its menu driving there).
void installAutoplay(std::function<void(uint32_t now)> after = {});
