// The globals that play reads outside the shell (tests, benchmarks, fuzz targets and helper
// programs), set up as the shell sets them and undone again when the helper goes.
#pragma once
#include <cstdint>

namespace testing_support {

// While one lives: sound effects on and not muted, music on, a score counter at 0 in the small
// digits, the fire bricks' explosion sheet, and the random generator seeded. The two pictures come
// from whatever bitmaps are registered when it is made (the built-in artwork unless a test has put
// its own in their place).
class PlayGlobals {
  public:
    explicit PlayGlobals(uint32_t seed);
    ~PlayGlobals();
    PlayGlobals(const PlayGlobals&) = delete;
    PlayGlobals& operator=(const PlayGlobals&) = delete;

    // Back to the start: the flags as above, the score 0 and the generator seeded again.
    void restart(uint32_t seed);
};

}  // namespace testing_support
