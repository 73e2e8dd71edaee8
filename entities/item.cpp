// Item: drift, constant pull, rebounds from the top and side walls, and the icon by kind.
#include "entities/item.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "graphics/canvas.h"

namespace {
SharedImage sharedItemImage(resource::kItems);
constexpr Fixed kRightLimit = 0x9C0000;    // 156 px: the screen width 176 less the item
constexpr Fixed kRightMirror = 0x1380000;  // 312 px: mirrors a position about 156 px
constexpr int32_t kIconsPerRow = 7;
constexpr int32_t kIconPixels = 20;
constexpr uint32_t kColourKey = 0x000000;
}  // namespace

Item::Item(Fixed x, Fixed y, Fixed vx, Fixed vy, int32_t kind)
    : kind_(kind), x_(x), y_(y), vx_(vx), vy_(vy) {
    sharedItemImage.acquire();
}

Item::~Item() {
    sharedItemImage.release();
}

const Image* Item::itemImage() {
    return sharedItemImage.image();
}
int32_t Item::itemCount() {
    return sharedItemImage.count();
}

void Item::update(int32_t dt) {
    const Fixed nx = x_ + dt * vx_;
    Fixed ny = y_ + dt * vy_;
    vy_ += kPull;  // once per update, whatever the step
    if (ny <= 0) {
        x_ = nx;
        ny = -ny;
        y_ = ny;
        vy_ = -vy_;
    }
    if (nx <= 0) {
        x_ = -nx;
        y_ = ny;
        vx_ = -vx_;
    } else if (nx >= kRightLimit) {
        x_ = kRightMirror - nx;
        y_ = ny;
        vx_ = -vx_;
    } else {
        x_ = nx;
        y_ = ny;
    }
}

void Item::draw(Canvas* canvas) const {
    if (kind_ == 0) return;
    const int32_t icon = kind_ - 1;
    canvas->drawImage(x_, y_, kSize, kSize, sharedItemImage.image(),
                      px(icon % kIconsPerRow * kIconPixels), px(icon / kIconsPerRow * kIconPixels),
                      kColourKey);
}
