// Stable: its shared sprite sheet and how it draws.
#include "entities/stable.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kStableBricks);
}  // namespace

Stable::Stable(Fixed x, Fixed y, int32_t colour) : Brick(x, y, StableKind, colour) {
    kindSheet.acquire();
}

Stable::~Stable() {
    kindSheet.release();
}

const Image* Stable::sheet() {
    return kindSheet.image();
}
int32_t Stable::liveCount() {
    return kindSheet.count();
}

void Stable::draw(Canvas* canvas) const {
    if (hp_ != 0) {
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), 0, px(colour_ * 10), NO_KEY);
    }
}
