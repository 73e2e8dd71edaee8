// The game's linear congruential generator (0..32767), the same in every back end.
#include "platform/random.h"

namespace platform {
namespace {
uint32_t state = 1;
}

void seedRandom(uint32_t seed) {
    state = seed;
}

int nextRandom() {
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFF);
}

}  // namespace platform
