// BreakBurst: ten sparks scattered over the removed brick's 16 x 10 area.
#include "entities/break_burst.h"

#include "entities/spark.h"
#include "platform/random.h"

namespace {
constexpr int32_t kRandomMiddle = 16383;  // centres a draw on zero
constexpr int32_t kSpeedScale = 8;        // up to about 2 px per update either way
constexpr int kSpreadX = 16, kSpreadY = 10;
}  // namespace

BreakBurst::BreakBurst(Fixed x, Fixed y) : SparkBurst(x, y) {
    sparks_.reserve(kSparkCount);
    for (int i = 0; i < kSparkCount; ++i) {
        const int r1 = platform::nextRandom();
        const int r2 = platform::nextRandom();
        const int r3 = platform::nextRandom();
        const int r4 = platform::nextRandom();
        sparks_.emplace_back(
            x + px(r4 % kSpreadX - kSpreadX / 2), y + px(r3 % kSpreadY - kSpreadY / 2),
            (r1 - kRandomMiddle) * kSpeedScale, (r2 - kRandomMiddle) * kSpeedScale, kSparkLife);
    }
}
