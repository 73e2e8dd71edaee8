// Fuzz target: BrickMap.dat of any content loaded by a new playfield, then each of the three
// levels started (through a saved game naming it) and played for a while.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "fuzz/world_setup.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "world/playfield.h"

namespace {
constexpr int kTicksPerLevel = 100;
constexpr int32_t kLives = 3;
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::headless::reset();
    fuzzing::programDirectory();
    fuzzing::setUpWorldGlobals();
    fuzzing::writeFile("BrickMap.dat", data, size);
    Playfield world;
    for (int32_t level = 1; level <= Playfield::kLevels; ++level) {
        uint8_t save[12];
        le::write32(save, static_cast<uint32_t>(level));
        le::write32(save + 4, static_cast<uint32_t>(kLives));
        le::write32(save + 8, 0);
        fuzzing::writeFile("AutoSave.dat", save, sizeof save);
        world.loadGame();
        if (world.level() != level) std::abort();
        world.startLevel();
        fuzzing::playAWhile(world, kTicksPerLevel);
    }
    return 0;
}
