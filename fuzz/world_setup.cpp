// World globals for the fuzz targets and a short scripted stretch of play.
#include "fuzz/world_setup.h"

#include <memory>
#include <vector>

#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/brick_factory.h"
#include "entities/bullet.h"
#include "entities/item.h"
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

void holdSpriteSheets() {
    struct Held {
        std::vector<std::unique_ptr<Brick>> bricks;
        Ball ball{0, 0, 0, 0, Ball::kNewBallSpeed, Ball::Normal};
        Bullet bullet{0, 0};
        Item item{0, 0, 0, 0, 1};
        Held() {
            for (int32_t kind = Brick::StoneKind; kind <= Brick::FireKind; ++kind)
                bricks.emplace_back(makeBrick(kind, 0, 0, 0));
        }
    };
    static const Held held;
}

}  // namespace fuzzing
