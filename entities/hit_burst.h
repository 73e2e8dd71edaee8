// HitBurst: the sparks thrown from the centre of a brick that was hit (5 sparks from one pixel).
#pragma once
#include <cstdint>
#include <list>

#include "entities/effect.h"

class Spark;

class HitBurst : public Effect {
  public:
    static constexpr int kSparkCount = 5;
    static constexpr int32_t kSparkLife = 200;

    HitBurst(Fixed x, Fixed y);
    void draw(Canvas* canvas) const override;
    void update(int32_t dt) override;
    ~HitBurst() override;

    const std::list<Spark*>& sparks() const { return sparks_; }

  private:
    std::list<Spark*> sparks_;
};
