// HitBurst: five sparks thrown from the centre of the brick that was hit.
#include "entities/hit_burst.h"

#include "entities/spark.h"
#include "platform/random.h"

namespace {
constexpr int32_t kRandomMiddle = 16383;  // centres a draw on zero
constexpr int32_t kSpeedScale = 8;        // up to about 2 px per update either way
}  // namespace

HitBurst::HitBurst(Fixed x, Fixed y) : SparkBurst(x, y) {
    sparks_.reserve(kSparkCount);
    for (int i = 0; i < kSparkCount; ++i) {
        const int r1 = platform::nextRandom();
        const int r2 = platform::nextRandom();
        sparks_.emplace_back(x, y, (r1 - kRandomMiddle) * kSpeedScale,
                             (r2 - kRandomMiddle) * kSpeedScale, kSparkLife);
    }
}
