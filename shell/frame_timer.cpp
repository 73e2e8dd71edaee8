// FrameTimer: unsigned elapsed time, correct across the tick count's wrap-around.
#include "shell/frame_timer.h"

#include "platform/clock.h"

FrameTimer::FrameTimer(uint32_t interval) : interval_(interval), lastTime_(platform::tickCount()) {}

bool FrameTimer::ready() {
    const uint32_t now = platform::tickCount();
    const uint64_t count = counted(now - lastTime_);
    if (count < needed()) return false;
    carry_ = static_cast<uint32_t>(count % 100);
    lastTime_ = platform::tickCount();
    return true;
}

uint32_t FrameTimer::msUntilReady() const {
    const uint32_t elapsed = platform::tickCount() - lastTime_;
    if (counted(elapsed) >= needed()) return 0;
    // The first whole millisecond at which the count reaches what the gate needs.
    const uint64_t due = (needed() - carry_ + pace_ - 1) / pace_;
    return static_cast<uint32_t>(due - elapsed);
}

void FrameTimer::setPace(uint32_t percent) {
    if (percent == 0 || percent > 100 || percent == pace_) return;
    pace_ = percent;
    carry_ = 0;
}
