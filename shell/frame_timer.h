// FrameTimer: a gate that opens at most once per interval and never waits.
#pragma once
#include <cstdint>

class FrameTimer {
  public:
    explicit FrameTimer(uint32_t interval);
    ~FrameTimer() = default;

    // True when strictly more than `interval_` ms passed since the gate last opened; then a new
    // interval starts from a second reading of the clock. Time beyond the interval is lost.
    // At a pace below 100 percent the gate's milliseconds run slower: an interval of 10 at 50
    // percent opens every 22 ms, at 75 percent every 14 or 15 (on average 14.67: the fraction
    // of a millisecond left over when it opens is kept, whole ones beyond are lost).
    bool ready();
    // Milliseconds until ready() answers true, 0 when it would now: sleeping this long never
    // passes the millisecond the gate opens in.
    uint32_t msUntilReady() const;
    // The pace (1 to 100 percent), from the next opening on.
    void setPace(uint32_t percent);

  private:
    // Hundredths of a gate's millisecond a real one is worth, and the hundredths the gate had
    // already counted when it last opened (under 100; 0 at full pace).
    uint64_t counted(uint32_t elapsed) const { return uint64_t{elapsed} * pace_ + carry_; }
    uint64_t needed() const { return (uint64_t{interval_} + 1) * 100; }

    uint32_t interval_;
    uint32_t lastTime_;
    uint32_t pace_ = 100;
    uint32_t carry_ = 0;
};
