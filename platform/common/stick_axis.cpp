// StickAxis: a direction is pressed past half travel and released only back inside a quarter,
// so a stick resting near the threshold does not chatter.
#include "platform/common/stick_axis.h"

namespace platform {

int StickAxis::update(int value) {
    if (held > 0 && value >= kRelease) return held;
    if (held < 0 && value <= -kRelease) return held;
    if (value >= kPress) {
        held = 1;
    } else if (value <= -kPress) {
        held = -1;
    } else {
        held = 0;
    }
    return held;
}

}  // namespace platform
