// Fire: the three-column animation, the blast it owns, and its one-shot exploded report.
#include "entities/fire.h"

#include "assets/resource_ids.h"
#include "entities/blast.h"
#include "entities/shared_image.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kFireBricks);
constexpr int32_t kColumnTime = 100;  // time units per animation column
constexpr Fixed kCentreX = 0x80000;   // 8 px
constexpr Fixed kCentreY = 0x50000;   // 5 px
// The flash-safe look holds the middle (orange) column: the three columns' cycle swings from
// dark red to yellow three times a second.
constexpr int32_t kSteadyColumn = 1;
}  // namespace

Fire::Fire(Fixed x, Fixed y, int32_t colour) : Brick(x, y, FireKind, colour) {
    kindSheet.acquire();
    blast_ = new Blast(x + kCentreX, y + kCentreY);
}

Fire::~Fire() {
    delete blast_;
    kindSheet.release();
}

const Image* Fire::sheet() {
    return kindSheet.image();
}
int32_t Fire::liveCount() {
    return kindSheet.count();
}

bool Fire::takeExploded() {
    if (!exploded_) return false;
    exploded_ = false;
    return true;
}

void Fire::update(int32_t dt) {
    animTime_ += dt;
    if (animTime_ >= kAnimationPeriod) animTime_ -= kAnimationPeriod;
    blast_->update(dt);
    // Set again on every update after the blast has ended, so the report repeats each tick;
    // kept as it always was: the neighbours are gone after the first time.
    if (blast_->isFinished()) exploded_ = true;
}

void Fire::draw(Canvas* canvas) const {
    if (hp_ != 0) {
        const int32_t column = presentation().flashSafe ? kSteadyColumn : animTime_ / kColumnTime;
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), px(column * 16),
                          px(colour_ * 10), NO_KEY);
    }
    // The explosion shows over the emptied cell.
    blast_->draw(canvas);
}

void Fire::destroy() {
    Brick::destroy();
    blast_->trigger();
}
