// PaddleExplosion: the 50 sparks thrown up over the bar when the paddle is destroyed.
#pragma once
#include <cstdint>
#include <vector>

#include "entities/spark.h"
#include "graphics/fixed.h"

class Canvas;

class PaddleExplosion {
  public:
    static constexpr int kSparkCount = 50;
    static constexpr int32_t kSparkLife = 400;

    PaddleExplosion() = default;
    ~PaddleExplosion() = default;
    PaddleExplosion(const PaddleExplosion&) = delete;
    PaddleExplosion& operator=(const PaddleExplosion&) = delete;

    // Spawns the sparks over the bar at x with the given width.
    void start(Fixed x, Fixed width);
    void update(int32_t dt);
    void draw(Canvas* canvas) const;
    void reset();
    // One-shot: true once after the explosion has ended.
    bool takeFinished();

    bool isActive() const { return active_; }
    const std::vector<Spark>& sparks() const { return sparks_; }

  private:
    bool finished_ = false;
    bool active_ = false;
    std::vector<Spark> sparks_;
};
