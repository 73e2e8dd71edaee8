// Blast: the 32 x 32 explosion a fire brick shows when it is destroyed (64 updates).
#pragma once
#include <cstdint>

#include "entities/effect.h"

class Blast : public Effect {
  public:
    static constexpr int32_t kUpdates = 64;  // two updates per frame of 32

    Blast(Fixed x, Fixed y) : Effect(x, y) {}

    void draw(Canvas* canvas) const override;
    void update(int32_t dt) override;
    // Starts the explosion and plays the blast sound when sound effects are audible.
    void trigger();

    int32_t frameCount() const { return frameCount_; }
    bool isActive() const { return active_ != 0; }

  private:
    int32_t frameCount_ = 0;
    int32_t active_ = 0;
};
