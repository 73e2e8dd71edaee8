// Hide: its shared sprite sheet and how it draws.
#include "entities/hide.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kHideBricks);
}  // namespace

Hide::Hide(Fixed x, Fixed y, int32_t colour) : Brick(x, y, HideKind, colour) {
    kindSheet.acquire();
}

Hide::~Hide() {
    kindSheet.release();
}

const Image* Hide::sheet() {
    return kindSheet.image();
}
int32_t Hide::liveCount() {
    return kindSheet.count();
}

void Hide::draw(Canvas* canvas) const {
    // Invisible until its first hit.
    if (hp_ == 1) {
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), 0, px(colour_ * 10), NO_KEY);
    }
}
