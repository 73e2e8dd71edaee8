// FrameTimer: unsigned elapsed time, correct across the tick count's wrap-around.
#include "shell/frame_timer.h"

#include "platform/clock.h"

FrameTimer::FrameTimer(uint32_t interval) : interval(interval), lastTime(platform::tickCount()) {}

bool FrameTimer::ready() {
    const uint32_t now = platform::tickCount();
    const uint32_t elapsed = now - lastTime;
    if (elapsed <= interval) return false;
    lastTime = platform::tickCount();
    return true;
}

uint32_t FrameTimer::msUntilReady() const {
    const uint32_t elapsed = platform::tickCount() - lastTime;
    return elapsed > interval ? 0 : interval - elapsed + 1;
}
