// Random service: the game's one pseudo-random generator, values 0 to 32767, the same in
// every back end. Inline, because sparks draw thousands of values a frame.
#pragma once
#include <cstddef>
#include <cstdint>
#include <utility>

namespace platform {

// The generator's state; only seedRandom, nextRandom and RandomRun touch it.
inline uint32_t randomState = 1;

// One step of the generator: state = state * multiplier + increment (mod 2^32).
inline constexpr uint32_t kRandomMultiplier = 214013u;
inline constexpr uint32_t kRandomIncrement = 2531011u;

// state = seed
inline void seedRandom(uint32_t seed) {
    randomState = seed;
}

// One step; returns (state >> 16) & 0x7FFF.
inline int nextRandom() {
    randomState = randomState * kRandomMultiplier + kRandomIncrement;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

// Draws for a tight loop: takes the generator's state into a local when made and hands it
// back when destroyed; in between, no other draw may be taken. next(values) gives the next N
// values exactly as N calls of nextRandom would, but works each out from the state directly,
// so they do not wait on one another (a spark draws five at a time).
class RandomRun {
  public:
    RandomRun() : state_(randomState) {}
    ~RandomRun() { randomState = state_; }
    RandomRun(const RandomRun&) = delete;
    RandomRun& operator=(const RandomRun&) = delete;

    template <std::size_t N>
    void next(int (&values)[N]) {
        fill(values, std::make_index_sequence<N>());
        state_ = stepsOn<N>(state_);
    }

  private:
    // The state n steps on, as one multiply and one add worked out at compile time.
    template <std::size_t n>
    static uint32_t stepsOn(uint32_t state) {
        constexpr auto jump = [] {
            uint32_t multiplier = 1, increment = 0;
            for (std::size_t i = 0; i < n; ++i) {
                multiplier *= kRandomMultiplier;
                increment = increment * kRandomMultiplier + kRandomIncrement;
            }
            return std::pair{multiplier, increment};
        }();
        return state * jump.first + jump.second;
    }
    template <std::size_t... n>
    void fill(int* values, std::index_sequence<n...>) const {
        ((values[n] = static_cast<int>((stepsOn<n + 1>(state_) >> 16) & 0x7FFF)), ...);
    }

    uint32_t state_;
};

// The seed start-up uses: the tick count, or the replay runner's --seed.
uint32_t startupSeed();

}  // namespace platform
