// Random service: the game's one pseudo-random generator, values 0 to 32767, the same in
// every back end. Inline, because sparks draw thousands of values a frame.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace platform {

// The generator's state; only seedRandom, nextRandom and RandomRun touch it.
inline uint32_t randomState = 1;

// state = seed
inline void seedRandom(uint32_t seed) {
    randomState = seed;
}

// state = state * 214013 + 2531011 (mod 2^32); returns (state >> 16) & 0x7FFF.
inline int nextRandom() {
    randomState = randomState * 214013u + 2531011u;
    return static_cast<int>((randomState >> 16) & 0x7FFF);
}

namespace detail {
// The generator's step taken n times over, as one multiply and one add.
struct RandomJump {
    uint32_t multiplier;
    uint32_t increment;
};
template <std::size_t N>
constexpr std::array<RandomJump, N + 1> randomJumps() {
    std::array<RandomJump, N + 1> jumps{};
    jumps[0] = {1, 0};
    for (std::size_t n = 1; n <= N; ++n) {
        jumps[n] = {jumps[n - 1].multiplier * 214013u, jumps[n - 1].increment * 214013u + 2531011u};
    }
    return jumps;
}
}  // namespace detail

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
        static constexpr auto jumps = detail::randomJumps<N>();
        const uint32_t state = state_;
        [&]<std::size_t... n>(std::index_sequence<n...>) {
            ((values[n] = static_cast<int>(
                  ((state * jumps[n + 1].multiplier + jumps[n + 1].increment) >> 16) & 0x7FFF)),
             ...);
        }
        (std::make_index_sequence<N>());
        state_ = state * jumps[N].multiplier + jumps[N].increment;
    }

  private:
    uint32_t state_;
};

// The seed start-up uses: the tick count, or the replay runner's --seed.
uint32_t startupSeed();

}  // namespace platform
