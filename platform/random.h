// Random service: the game's one pseudo-random generator, values 0 to 32767, the same in
// every back end. Inline, because sparks draw thousands of values a frame.
#pragma once
#include <cstdint>

namespace platform {

// The generator's state; only seedRandom and nextRandom touch it.
inline uint32_t randomState = 1;

// state = seed
inline void seedRandom(uint32_t seed) {
    randomState = seed;
}

// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
inline int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

// The seed start-up uses: the tick count, or the replay runner's --seed.
uint32_t startupSeed();

}  // namespace platform
