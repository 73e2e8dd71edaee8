// Bullet: the shared 3 x 6 picture and its drawing.
#include "entities/bullet.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage sharedBulletImage(resource::kBullet);
constexpr Fixed kWidth = 0x30000;          // 3 px
constexpr Fixed kHeight = 0x60000;         // 6 px
constexpr uint32_t kColourKey = 0xFFFFFF;  // white
}  // namespace

Bullet::Bullet(Fixed x, Fixed y) : x_(x), y_(y) {
    sharedBulletImage.acquire();
}

Bullet::~Bullet() {
    sharedBulletImage.release();
}

const Image* Bullet::bulletImage() {
    return sharedBulletImage.image();
}
int32_t Bullet::bulletCount() {
    return sharedBulletImage.count();
}

void Bullet::draw(Canvas* canvas) const {
    canvas->drawImage(x_, y_, kWidth, kHeight, sharedBulletImage.image(), 0, 0, kColourKey);
}
