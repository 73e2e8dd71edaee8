// StickAxis: one axis of a gamepad's left stick read as two direction keys, with hysteresis.
#pragma once
#include <cstdint>

namespace platform {

class StickAxis {
  public:
    static constexpr int kPress = 16384;   // half way out: the direction is pressed
    static constexpr int kRelease = 8192;  // back within a quarter: released

    // -1 toward the negative end, +1 toward the positive end, 0 centred.
    int update(int value);
    int direction() const { return held; }

  private:
    int held = 0;
};

}  // namespace platform
