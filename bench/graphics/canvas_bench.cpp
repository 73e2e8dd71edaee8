// Full-screen drawing against a plain frame copy: unkeyed and keyed images, and a wipe frame.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "bench/support/ratio_main.h"
#include "frontend/screen_transition.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "platform/bitmap.h"
#include "tests/support/bmp_builder.h"

namespace {
constexpr int kScreenId = 9901;
constexpr int kSpriteId = 9902;

void registerImages() {
    std::vector<testing_support::Rgb> screen(176 * 220), sprite(176 * 220);
    uint32_t seed = 12345;
    for (size_t i = 0; i < screen.size(); ++i) {
        seed = seed * 1103515245u + 12345u;
        screen[i] = {static_cast<uint8_t>(seed >> 24), static_cast<uint8_t>(seed >> 16),
                     static_cast<uint8_t>(seed >> 8)};
        // About half the sprite is its black key.
        sprite[i] = (seed >> 7) & 1 ? screen[i] : testing_support::Rgb{0, 0, 0};
    }
    platform::addResource(kScreenId, testing_support::makeBmp24(176, 220, screen));
    platform::addResource(kSpriteId, testing_support::makeBmp24(176, 220, sprite));
}

void BM_Memcpy77440(benchmark::State& state) {
    std::vector<uint16_t> from(176 * 220, 0x1234), to(176 * 220);
    for (auto _ : state) {
        std::memcpy(to.data(), from.data(), 77440);
        benchmark::DoNotOptimize(to.data());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Memcpy77440);

void BM_DrawImageUnkeyed(benchmark::State& state) {
    Image image(nullptr, kScreenId);
    Canvas canvas;
    for (auto _ : state) {
        canvas.drawImage(0, 0, px(176), px(220), &image, 0, 0, NO_KEY);
        benchmark::DoNotOptimize(canvas.buffer());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawImageUnkeyed);

void BM_DrawImageKeyed(benchmark::State& state) {
    Image image(nullptr, kSpriteId);
    Canvas canvas;
    for (auto _ : state) {
        canvas.drawImage(0, 0, px(176), px(220), &image, 0, 0, 0x000000);
        benchmark::DoNotOptimize(canvas.buffer());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawImageKeyed);

void BM_WipeFrame(benchmark::State& state) {
    Image a(nullptr, kScreenId), b(nullptr, kSpriteId);
    ScreenTransition wipe;
    wipe.fromCanvas->drawImage(0, 0, 0, 0, &a, 0, 0, NO_KEY);
    wipe.toCanvas->drawImage(0, 0, 0, 0, &b, 0, 0, NO_KEY);
    wipe.step = 28;  // mid-wipe: the band crosses the middle of the screen
    Canvas canvas;
    for (auto _ : state) {
        wipe.draw(&canvas);
        benchmark::DoNotOptimize(canvas.buffer());
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_WipeFrame);
}  // namespace

int main(int argc, char** argv) {
    registerImages();
    return runWithRatios(argc, argv, "BM_Memcpy77440");
}
