// The entropy service over std::random_device (the kernel's random source on Linux).
#include "platform/entropy.h"

#include <chrono>
#include <exception>
#include <random>

namespace platform {
namespace {

// Where no random device can be opened: the clock and an address, mixed (splitmix64 finaliser).
uint64_t fallbackBits() {
    static uint64_t counter = 0;
    uint64_t x =
        static_cast<uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
        reinterpret_cast<uintptr_t>(&counter) ^ (++counter << 32);
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace

uint64_t entropy64() {
    uint64_t value = 0;
    while (value == 0) {
        try {
            std::random_device device;
            value = (static_cast<uint64_t>(device()) << 32) | device();
        } catch (const std::exception&) {
            value = fallbackBits();
        }
    }
    return value;
}

}  // namespace platform
