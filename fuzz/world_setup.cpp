// World globals for the fuzz targets and a short scripted stretch of play.
#include "fuzz/world_setup.h"

#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "platform/random.h"

namespace fuzzing {
namespace {
constexpr int kDigitStrip = 115;
constexpr int kExplosionSheet = 163;
constexpr uint32_t kSeed = 12345;
constexpr int kStep = 10;
constexpr int kSteerPeriod = 40;  // ticks in one direction before turning
constexpr int kActionPeriod = 25;
}  // namespace

void setUpWorldGlobals() {
    if (scoreCounter == nullptr) scoreCounter = new DigitFont(instanceHandle, kDigitStrip);
    if (explosionImage == nullptr) explosionImage = new Image(instanceHandle, kExplosionSheet);
    soundOn = true;
    muted = false;
    platform::seedRandom(kSeed);
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
