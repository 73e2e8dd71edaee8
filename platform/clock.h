// Clock service: the millisecond tick count the game paces itself by.
#pragma once
#include <cstdint>

namespace platform {

// Milliseconds since start-up as an unsigned 32-bit value; it wraps after 49.7 days.
uint32_t tickCount();

// Waits at least ms milliseconds (virtual time in the headless back end).
void sleepMs(uint32_t ms);

}  // namespace platform
