// BreakBurst: the sparks thrown over a removed brick (10 sparks anywhere on it).
#pragma once
#include <cstdint>
#include <list>

#include "entities/effect.h"

class Spark;

class BreakBurst : public Effect {
  public:
    static constexpr int kSparkCount = 10;
    static constexpr int32_t kSparkLife = 200;

    BreakBurst(Fixed x, Fixed y);
    void draw(Canvas* canvas) const override;
    void update(int32_t dt) override;
    ~BreakBurst() override;

    const std::list<Spark*>& sparks() const { return sparks_; }

  private:
    std::list<Spark*> sparks_;
};
