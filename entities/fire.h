// Fire: the animated brick of one hit (80 points) that explodes into its eight neighbours.
#pragma once
#include <cstdint>

#include "entities/brick.h"

class Blast;
class Image;

class Fire : public Brick {
  public:
    static constexpr int32_t kAnimationPeriod = 300;  // three columns of 100 time units

    Fire(Fixed x, Fixed y, int32_t colour);
    ~Fire() override;

    bool takeExploded() override;
    void update(int32_t dt) override;
    void draw(Canvas* canvas) const override;
    void destroy() override;

    int32_t animTime() const { return animTime_; }
    const Blast* blast() const { return blast_; }

    static const Image* sheet();
    static int32_t liveCount();

  private:
    Blast* blast_;
    int32_t animTime_ = 0;
    bool exploded_ = false;
};
