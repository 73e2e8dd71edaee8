// Gem: its shared sprite sheet and how it draws.
#include "entities/gem.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage kindSheet(resource::kGemBricks);
constexpr uint32_t kBlackKey = 0x000000;  // the gem shape is cut out of its black corners
}  // namespace

Gem::Gem(Fixed x, Fixed y, int32_t colour) : Brick(x, y, GemKind, colour) {
    kindSheet.acquire();
}

Gem::~Gem() {
    kindSheet.release();
}

const Image* Gem::sheet() {
    return kindSheet.image();
}
int32_t Gem::liveCount() {
    return kindSheet.count();
}

void Gem::draw(Canvas* canvas) const {
    // A cracked column for each hit taken.
    if (hp_ != 0) {
        canvas->drawImage(x_, y_, kWidth, kHeight, kindSheet.image(), px((3 - hp_) * 16),
                          px(colour_ * 10), kBlackKey);
    }
}
