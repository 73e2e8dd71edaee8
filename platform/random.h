// Random service: the game's one pseudo-random generator, values 0 to 32767.
#pragma once
#include <cstdint>

namespace platform {

// state = seed
void seedRandom(uint32_t seed);

// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
int nextRandom();

// The seed start-up uses: the tick count, or the replay runner's --seed.
uint32_t startupSeed();

}  // namespace platform
