// The game's random generator worked out independently, to predict its draws in tests:
// state = state * 214013 + 2531011, value = (state >> 16) & 0x7FFF.
#pragma once
#include <cstdint>

class RandomMirror {
  public:
    explicit RandomMirror(uint32_t seed) : state_(seed) {}
    int next() {
        state_ = state_ * 214013u + 2531011u;
        return static_cast<int>((state_ >> 16) & 0x7FFF);
    }

  private:
    uint32_t state_;
};
