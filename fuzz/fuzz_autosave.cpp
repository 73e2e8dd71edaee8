// Fuzz target: AutoSave.dat of any content loaded into a playfield, then the level it names
// started and played for a while, and the game saved again.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/world_setup.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "world/playfield.h"

namespace {
constexpr const char* kFileName = "AutoSave.dat";
constexpr size_t kSaveBytes = 12;
constexpr int kTicks = 60;

int32_t field(const uint8_t* p) {
    return static_cast<int32_t>(le::read32(p));
}

void check(bool condition) {
    if (!condition) std::abort();
}

Playfield& playfield() {
    static Playfield* made = [] {
        fuzzing::programDirectory();
        fuzzing::copyDataFile("BrickMap.dat");
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
    // An empty input stands for a missing file (which loading creates empty).
    if (size == 0)
        fuzzing::removeFile(kFileName);
    else
        fuzzing::writeFile(kFileName, data, size);

    world.loadGame();
    check(world.level() >= 1 && world.level() <= Playfield::kLevels);
    if (size >= kSaveBytes) {
        const int32_t level = field(data), lives = field(data + 4), score = field(data + 8);
        const bool playable = level >= 1 && level <= Playfield::kLevels && lives >= 1;
        check(world.level() == (playable ? level : 1));
        check(scoreCounter->value() == (playable ? score : 0));
    }

    world.startLevel();
    fuzzing::playAWhile(world, kTicks);
    world.saveGame();
    std::ifstream in(fuzzing::programDirectory() + kFileName, std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    check(saved.size() == kSaveBytes && field(saved.data()) == world.level() &&
          field(saved.data() + 8) == scoreCounter->value());
    // What this input made goes with it, so no input leaves memory to the next one.
    world.clearLevel();
    return 0;
}
