// World globals for the fuzz targets and a short scripted stretch of play.
#include "fuzz/world_setup.h"

#include "graphics/canvas.h"
#include "tests/support/play_globals.h"

namespace fuzzing {
namespace {
constexpr uint32_t kSeed = 12345;
constexpr int kStep = 10;
constexpr int kSteerPeriod = 40;  // ticks in one direction before turning
constexpr int kActionPeriod = 25;
}  // namespace

void setUpWorldGlobals() {
    static testing_support::PlayGlobals globals(kSeed);
    globals.restart(kSeed);
}

void playAWhile(Playfield& playfield, int ticks) {
    static Canvas canvas;
    for (int t = 0; t < ticks && !playfield.levelCleared() && !playfield.gameOver(); ++t) {
        if (t % kActionPeriod == 0) playfield.action();
        if (t % kSteerPeriod == 0) {
            if ((t / kSteerPeriod) % 2 == 0)
                playfield.moveLeft();
            else
                playfield.moveRight();
        }
        playfield.tick(kStep);
    }
    playfield.stopMoving();
    playfield.draw(&canvas);
}

}  // namespace fuzzing
