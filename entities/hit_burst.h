// HitBurst: the sparks thrown from the centre of a brick that was hit (5 sparks from one pixel).
#pragma once

#include "entities/spark_burst.h"

class HitBurst : public SparkBurst {
  public:
    static constexpr int kSparkCount = 5;

    HitBurst(Fixed x, Fixed y);
};
