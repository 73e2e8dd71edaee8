// One frame of busy play (tick then draw: level 1, eight Fire balls, ten items and their
// bursts), measured against a plain copy of a frame's 77,440 bytes in the same run.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/support/ratio_main.h"
#include "entities/ball.h"
#include "entities/break_burst.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "graphics/canvas.h"
#include "platform/display.h"
#include "tests/support/play_globals.h"
#include "tests/support/playfield_access.h"
#include "world/playfield.h"

namespace {

// A scene is played this many frames before it is built afresh (outside the timing), so
// the measured frames stay busy: balls fly, bricks break, items fall, sparks live.
constexpr int kFramesPerScene = 48;
constexpr int kStep = 10;
constexpr int kItems = 10;

// Level 1 with eight Fire balls in flight, ten items falling and a burst beside each.
void busyScene(Playfield& playfield) {
    PlayfieldTestAccess p(playfield);
    playfield.newGame();
    playfield.startLevel();
    p.applyItem(Item::EightBall);
    p.applyItem(Item::FireBall);
    playfield.action();  // the first ball leaves the paddle too
    for (int n = 0; n < kItems; ++n) {
        const Fixed x = px(8 + 16 * n);
        const Fixed y = px(60 + 9 * n);
        p.items().push_back(new Item(x, y, 0x800 * (n % 3 - 1), -0x1000, n % 14 + 1));
        p.effects().push_back(new BreakBurst(x + px(10), y + px(10)));
    }
}

// Plays busy frames: the tick, the draw, or both (the play frame itself).
void playFrames(benchmark::State& state, bool tick, bool draw) {
    const testing_support::PlayGlobals globals(1);
    Playfield* playfield = new Playfield();
    Canvas canvas;
    int frame = 0;
    busyScene(*playfield);
    for (auto _ : state) {
        if (frame == kFramesPerScene) {
            state.PauseTiming();
            busyScene(*playfield);
            frame = 0;
            state.ResumeTiming();
        }
        if (tick) playfield->tick(kStep);
        if (draw) playfield->draw(&canvas);
        benchmark::DoNotOptimize(canvas.buffer());
        benchmark::ClobberMemory();
        ++frame;
    }
    delete playfield;
}

void BM_PlayFrame(benchmark::State& state) {
    playFrames(state, true, true);
}
BENCHMARK(BM_PlayFrame);
// The two halves, to show where a frame's time goes.
void BM_TickOnly(benchmark::State& state) {
    playFrames(state, true, false);
}
BENCHMARK(BM_TickOnly);
void BM_DrawOnly(benchmark::State& state) {
    playFrames(state, false, true);
}
BENCHMARK(BM_DrawOnly);

void BM_FrameMemcpy(benchmark::State& state) {
    std::vector<uint8_t> from(platform::kFrameBytes, 0x5A);
    std::vector<uint8_t> to(platform::kFrameBytes);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), from.size());
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FrameMemcpy);

}  // namespace

// The aim: a play frame at most four times the copy, in processor time.
int main(int argc, char** argv) {
    return runWithRatios(argc, argv, "BM_FrameMemcpy");
}
