// Effect: the base of the short visual effects (the fire brick's blast and the spark bursts).
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Canvas;

class Effect {
  public:
    Effect(Fixed x, Fixed y) : x_(x), y_(y) {}
    virtual void draw(Canvas* /*canvas*/) const {}
    virtual void update(int32_t /*dt*/) {}
    virtual ~Effect() = default;
    Effect(const Effect&) = delete;
    Effect& operator=(const Effect&) = delete;

    bool isFinished() const { return finished_; }
    Fixed x() const { return x_; }
    Fixed y() const { return y_; }

  protected:
    Fixed x_;  // the effect's centre
    Fixed y_;
    bool finished_ = false;
};
