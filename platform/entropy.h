// Entropy service: values from the system's random source, for identifiers that must differ
// between runs. Never the game's generator (random.h): replays depend on that one alone.
#pragma once
#include <cstdint>

namespace platform {

// 64 bits from the system's random source; never 0.
uint64_t entropy64();

}  // namespace platform
