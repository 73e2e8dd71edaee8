// Stone: its shared sprite sheet and how it draws.
#include "entities/stone.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kStoneBricks);
}  // namespace

Stone::Stone(Fixed x, Fixed y, int32_t colour) : Brick(x, y, StoneKind, colour) {
    kindSheet.acquire();
}

Stone::~Stone() {
    kindSheet.release();
}

const Image* Stone::sheet() {
    return kindSheet.image();
}
int32_t Stone::liveCount() {
    return kindSheet.count();
}

void Stone::draw(Canvas* canvas) const {
    if (hp_ != 0) {
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), 0, px(colour_ * 10), NO_KEY);
    }
}
