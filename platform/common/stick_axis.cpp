// StickAxis: a direction is pressed past half travel and released only back inside a quarter,
// so a stick resting near the threshold does not chatter.
#include "platform/common/stick_axis.h"

namespace platform {

int StickAxis::update(int value) {
    if (held_ > 0 && value >= kRelease) return held_;
    if (held_ < 0 && value <= -kRelease) return held_;
    if (value >= kPress) {
        held_ = 1;
    } else if (value <= -kPress) {
        held_ = -1;
    } else {
        held_ = 0;
    }
    return held_;
}

}  // namespace platform
