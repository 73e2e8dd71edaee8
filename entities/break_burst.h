// BreakBurst: the sparks thrown over a removed brick (10 sparks anywhere on it).
#pragma once

#include "entities/spark_burst.h"

class BreakBurst : public SparkBurst {
  public:
    static constexpr int kSparkCount = 10;

    BreakBurst(Fixed x, Fixed y);
};
