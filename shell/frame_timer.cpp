// FrameTimer: unsigned elapsed time, correct across the tick count's wrap-around.
#include "shell/frame_timer.h"

#include "platform/clock.h"

FrameTimer::FrameTimer(uint32_t interval) : interval_(interval), lastTime_(platform::tickCount()) {}

bool FrameTimer::ready() {
    const uint32_t now = platform::tickCount();
    const uint32_t elapsed = now - lastTime_;
    if (elapsed <= interval_) return false;
    lastTime_ = platform::tickCount();
    return true;
}

uint32_t FrameTimer::msUntilReady() const {
    const uint32_t elapsed = platform::tickCount() - lastTime_;
    return elapsed > interval_ ? 0 : interval_ - elapsed + 1;
}
