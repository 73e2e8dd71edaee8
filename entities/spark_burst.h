// SparkBurst: what BreakBurst and HitBurst share — a list of owned sparks that age together;
// the burst is finished once every spark is dead.
#pragma once
#include <cstdint>
#include <list>

#include "entities/effect.h"

class Spark;

class SparkBurst : public Effect {
  public:
    static constexpr int32_t kSparkLife = 200;

    void draw(Canvas* canvas) const override;
    void update(int32_t dt) override;
    ~SparkBurst() override;

    const std::list<Spark*>& sparks() const { return sparks_; }

  protected:
    SparkBurst(Fixed x, Fixed y) : Effect(x, y) {}
    std::list<Spark*> sparks_;
};
