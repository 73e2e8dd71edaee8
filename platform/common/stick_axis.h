// StickAxis: one axis of a gamepad's left stick read as two direction keys, with hysteresis.
#pragma once
#include <cstdint>

#include "platform/window.h"

namespace platform {

class StickAxis {
  public:
    static constexpr int kPress = 16384;   // half way out: the direction is pressed
    static constexpr int kRelease = 8192;  // back within a quarter: released

    // -1 toward the negative end, +1 toward the positive end, 0 centred.
    int update(int value);
    int direction() const { return held_; }

    // Reads `value` and sends the direction keys that change as key messages, a release before
    // a press: send(kMsgKeyUp or kMsgKeyDown, negativeKey or positiveKey).
    template <typename Send>
    void move(int value, uint32_t negativeKey, uint32_t positiveKey, Send send) {
        const int before = held_;
        const int after = update(value);
        if (after == before) return;
        if (before != 0) send(kMsgKeyUp, before < 0 ? negativeKey : positiveKey);
        if (after != 0) send(kMsgKeyDown, after < 0 ? negativeKey : positiveKey);
    }

  private:
    int held_ = 0;
};

}  // namespace platform
