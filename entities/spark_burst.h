// SparkBurst: what BreakBurst and HitBurst share — sparks that age together; the burst is
// finished once every spark is dead.
#pragma once
#include <cstdint>
#include <vector>

#include "entities/effect.h"
#include "entities/spark.h"

class SparkBurst : public Effect {
  public:
    static constexpr int32_t kSparkLife = 200;

    void draw(Canvas* canvas) const override;
    void update(int32_t dt) override;

    const std::vector<Spark>& sparks() const { return sparks_; }

  protected:
    SparkBurst(Fixed x, Fixed y) : Effect(x, y) {}
    std::vector<Spark> sparks_;
};
