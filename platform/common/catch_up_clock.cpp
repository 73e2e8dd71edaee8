// CatchUpClock: how far the program's clock trails the page's, in whole milliseconds, so a gate
// reached is never a rounding error short of opening.
#include "platform/common/catch_up_clock.h"

#include <algorithm>
#include <cmath>

namespace platform {

void CatchUpClock::trailBy(double ms) {
    behind_ = std::clamp(std::floor(ms), 0.0, std::floor(mostBehind_));
}

bool CatchUpClock::reach(double due, double now) {
    if (due > now) {
        behind_ = 0;
        return false;
    }
    trailBy(now - std::max(due, programTime(now)));
    return true;
}

void CatchUpClock::woke(double due, double now) {
    trailBy(now - due);
}

}  // namespace platform
