// Fuzz target: BrickMap.dat of any content loaded as a new playfield loads it, then the level
// the input ends in started (through a saved game naming it) and played for a while: a whole
// file plays the last level, and the fuzzer reaches the others through shorter inputs. One
// playfield serves the whole run: its level table is emptied and read again for each input.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "fuzz/world_setup.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "world/playfield.h"

namespace {
constexpr int kTicks = 50;
constexpr size_t kLevelBytes = Playfield::kRows * Playfield::kColumns * 4;
constexpr int32_t kLives = 3;

Playfield& playfield() {
    static Playfield* made = [] {
        fuzzing::programDirectory();
        fuzzing::setUpWorldGlobals();
        fuzzing::holdSpriteSheets();
        return new Playfield();
    }();
    return *made;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::headless::reset();
    Playfield& world = playfield();
    fuzzing::setUpWorldGlobals();
    fuzzing::writeFile("BrickMap.dat", data, size);
    world.reloadLevelTable();
    const int32_t level =
        size == 0 ? 1 : std::min<int32_t>(Playfield::kLevels, 1 + (size - 1) / kLevelBytes);
    uint8_t save[12];
    le::write32(save, static_cast<uint32_t>(level));
    le::write32(save + 4, static_cast<uint32_t>(kLives));
    le::write32(save + 8, 0);
    fuzzing::writeFile("AutoSave.dat", save, sizeof save);
    world.loadGame();
    if (world.level() != level) std::abort();
    world.startLevel();
    fuzzing::playAWhile(world, kTicks);
    // What this input made goes with it, so no input leaves memory to the next one.
    world.clearLevel();
    return 0;
}
