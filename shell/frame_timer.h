// FrameTimer: a gate that opens at most once per interval and never waits.
#pragma once
#include <cstdint>

class FrameTimer {
  public:
    explicit FrameTimer(uint32_t interval);
    ~FrameTimer() = default;

    // True when strictly more than `interval_` ms passed since the gate last opened; then a new
    // interval starts from a second reading of the clock. Time beyond the interval is lost.
    bool ready();
    // Milliseconds until ready() answers true, 0 when it would now: sleeping this long never
    // passes the millisecond the gate opens in.
    uint32_t msUntilReady() const;

  private:
    uint32_t interval_;
    uint32_t lastTime_;
};
