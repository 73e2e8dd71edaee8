// Clock and start-up seed of the SDL back end: milliseconds of the monotonic system clock.
#include "platform/clock.h"

#include <time.h>

#include <cerrno>

#include "platform/random.h"

namespace platform {

// Milliseconds since the system started, like the handset's tick count, so the start-up seed
// differs from run to run; the 32-bit value wraps as the game expects.
uint32_t tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const uint64_t ms =
        static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

void sleepMs(uint32_t ms) {
    timespec wanted{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

uint32_t startupSeed() {
    return tickCount();
}

}  // namespace platform
