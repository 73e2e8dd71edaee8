// Metal: its shared sprite sheet and how it draws.
#include "entities/metal.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kMetalBricks);
}  // namespace

Metal::Metal(Fixed x, Fixed y, int32_t colour) : Brick(x, y, MetalKind, colour) {
    kindSheet.acquire();
}

Metal::~Metal() {
    kindSheet.release();
}

const Image* Metal::sheet() {
    return kindSheet.image();
}
int32_t Metal::liveCount() {
    return kindSheet.count();
}

void Metal::draw(Canvas* canvas) const {
    // A cracked column for each hit taken.
    if (hp_ != 0) {
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), px((2 - hp_) * 16),
                          px(colour_ * 10), NO_KEY);
    }
}
