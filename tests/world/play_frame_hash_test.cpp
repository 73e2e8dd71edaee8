// Busy play frames pinned down by a hash: every brick kind and colour, eight fire balls, a
// shooting paddle, items of every kind and their spark bursts, drawn after every tick. The
// sparks' colours are random draws, so the hash also holds their number and order; the
// generator's next value afterwards is checked too.
//
// The expected values were taken from the straightforward drawing code at commit dfcbdba,
// before any of the drawing paths were sped up.
#include "entities/break_burst.h"
#include "graphics/canvas.h"
#include "platform/random.h"
#include "tests/support/frame_hash.h"
#include "tests/world/world_fixture.h"

namespace {
constexpr int kTicks = 240;

// The play globals (the explosion sheet included) come from the world fixture.
class PlayFrameHash : public WorldTest {};
}  // namespace

TEST_F(PlayFrameHash, BusyPlayFramesAndTheirRandomDraws) {
    // Every kind 0..6 with colours 0..9 across the three levels' cells.
    std::vector<int32_t> cells;
    for (int i = 0; i < Playfield::kLevels * Playfield::kRows * Playfield::kColumns; ++i)
        cells.push_back(i % 4 == 3 ? 0 : (i * 7) % 70);
    writeBrickMap(cells);
    makePlayfield();
    playfield->newGame();
    playfield->startLevel();
    access->applyItem(Item::EightBall);
    access->applyItem(Item::FireBall);
    access->applyItem(Item::BulletBoard);
    playfield->action();
    for (int n = 0; n < Item::kKindCount; ++n) {
        access->addItem(4 + 12 * n, 40 + 9 * n, 0x800 * (n % 3 - 1), -0x1000, n + 1);
        access->effects().push_back(new BreakBurst(px(14 + 12 * n), px(50 + 9 * n)));
    }
    Canvas canvas;
    uint64_t hash = testing_support::kFrameHashStart;
    for (int t = 0; t < kTicks; ++t) {
        if (t % 60 == 0) playfield->moveLeft();
        if (t % 60 == 30) playfield->moveRight();
        if (t % 20 == 10) playfield->action();
        playfield->tick(10);
        playfield->draw(&canvas);
        hash = testing_support::hashPixels(canvas.buffer(), Canvas::kPixelCount, hash);
    }
    EXPECT_EQ(hash, 381404038255782044ull);
    EXPECT_EQ(platform::nextRandom(), 10570);
}
