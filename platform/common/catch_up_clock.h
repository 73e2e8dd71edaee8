// CatchUpClock: the program's clock in a page that wakes less often than the program's gates
// open. While the page sleeps past a gate, the program's clock is held at that gate; when the
// page wakes, each of the program's waits for a gate already passed ends at once and moves its
// clock on to exactly that gate, so the game runs the gates it slept through back to back and
// sees the times it would have seen waking at each: its speed stays that of the gates. A message
// that arrived meanwhile waits until the program's clock reaches its arrival, so the game hears
// it after the gates that were due before it.
#pragma once

namespace platform {

class CatchUpClock {
  public:
    // The program never trails the page by more than mostBehindMs: past that (a page stalled for
    // long) the time is lost, as a desktop program stalled as long loses it.
    explicit CatchUpClock(double mostBehindMs) : mostBehind_(mostBehindMs) {}

    // The program's time (ms) when the page's clock reads `now`.
    double programTime(double now) const { return now - behind_; }
    // True while the program's clock trails the page's.
    bool behind() const { return behind_ > 0; }

    // The program waits until its time `due`. True when that time has passed in the page: the
    // program's clock moves on to it (to within the millisecond; never back) and the wait ends
    // at once. False when it has not: the program's clock has caught up with the page's and the
    // wait is a real one, until the page's time `due`.
    bool reach(double due, double now);
    // A real wait meant to end at the page's time `due` ended at `now`: the program's clock is at
    // `due` when the page slept past it, else at `now` (an event ended the wait early).
    void woke(double due, double now);

  private:
    void trailBy(double ms);

    double mostBehind_;
    double behind_ = 0;
};

}  // namespace platform
