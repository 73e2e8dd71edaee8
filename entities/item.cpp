// Item: drift, constant pull, rebounds from the top and side walls, and the icon by kind.
#include "entities/item.h"

#include "assets/resource_ids.h"
#include "entities/shared_image.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/looks.h"

namespace {
SharedImage sharedItemImage(resource::kItems);
constexpr Fixed kRightLimit = 0x9C0000;    // 156 px: the screen width 176 less the item
constexpr Fixed kRightMirror = 0x1380000;  // 312 px: mirrors a position about 156 px
constexpr int32_t kIconsPerRow = 7;
constexpr int32_t kIconPixels = 20;
constexpr uint32_t kColourKey = 0x000000;
constexpr int kIconSize = 20;

// The capsule's body inside its dark rim, and a pixel of the body's own colour.
constexpr int kBodyLeft = 1, kBodyRight = 18, kBodyTop = 4, kBodyBottom = 15;
constexpr int kBodyColourX = 2, kBodyColourY = 11;
constexpr int kRimColourX = 0, kRimColourY = 10;  // the capsule's own dark rim

// Whether (u, v), a pixel centre in half pixels from the icon's centre (-19..19, odd), lies in
// the outline of a kind. Fourteen shapes, so no kind needs its colour to be told apart.
bool inShape(int32_t kind, int u, int v) {
    const int au = u < 0 ? -u : u, av = v < 0 ? -v : v;
    switch (kind) {
        case Item::BulletBoard:  // square
            return au <= 17 && av <= 17;
        case Item::EightBall:  // circle
            return u * u + v * v <= 19 * 19;
        case Item::ExpandBoard:  // hexagon, pointed left and right
            return av <= 14 && 2 * au + av <= 38;
        case Item::ExtraLife:  // cross
            return (au <= 7 && av <= 19) || (av <= 7 && au <= 19);
        case Item::FastBall:  // arrow to the right
            return av <= 17 && u >= -17 && u + av <= 19;
        case Item::FireBall:  // diamond
            return au + av <= 20;
        case Item::KillLife:  // octagon
            return au <= 18 && av <= 18 && au + av <= 26;
        case Item::NextLevel:  // arrow upward
            return au <= 17 && v <= 17 && v >= au - 19;
        case Item::ShrinkBoard:  // bow tie, pinched toward the middle
            return au <= 19 && 19 * av <= 19 * 7 + 12 * au;
        case Item::SlowBall:  // arrow to the left
            return av <= 17 && u <= 17 && -u + av <= 19;
        case Item::SplitBall:  // two balls side by side
            return (au - 9) * (au - 9) + v * v <= 10 * 10 + 10;
        case Item::StickBoard:  // shield, pointed downward
            return au <= 17 && v >= -17 && v <= 19 - au / 2 && v <= 31 - au;
        case Item::ThruBall:  // tall oval
            return 19 * 19 * u * u + 12 * 12 * v * v <= 12 * 12 * 19 * 19;
        case Item::ZapBrick:  // eight-pointed star
            return (au <= 13 && av <= 13) || au + av <= 20;
        default:
            return au <= 17 && av <= 17;
    }
}

// The shaped icon: the capsule's own picture where its body lies inside the shape, the body's
// colour filling the rest of the shape, and a rim: white in high contrast, else the capsule's
// own dark rim (a white one moving over the dark field would flicker more than the capsule).
void drawShaped(Canvas* canvas, const Image* sheet, int32_t kind, int x, int y, bool whiteRim) {
    if (sheet == nullptr || sheet->pixels == nullptr) return;
    const int icon = kind - 1;
    const int sx = icon % kIconsPerRow * kIconPixels, sy = icon / kIconsPerRow * kIconPixels;
    if (sx + kIconSize > sheet->width || sy + kIconSize > sheet->height) return;
    auto sheetPixel = [&](int ix, int iy) {
        return sheet->pixels[static_cast<size_t>(sy + iy) * sheet->width + sx + ix];
    };
    const uint16_t body = sheetPixel(kBodyColourX, kBodyColourY);
    const uint16_t rim = whiteRim ? looks::kWhite : sheetPixel(kRimColourX, kRimColourY);
    auto in = [&](int ix, int iy) {
        return ix >= 0 && iy >= 0 && ix < kIconSize && iy < kIconSize &&
               inShape(kind, 2 * ix - 19, 2 * iy - 19);
    };
    for (int iy = 0; iy < kIconSize; ++iy) {
        for (int ix = 0; ix < kIconSize; ++ix) {
            if (!in(ix, iy)) continue;
            const int fx = x + ix, fy = y + iy;
            if (fx < 0 || fy < 0 || fx >= static_cast<int>(canvas->width()) ||
                fy >= static_cast<int>(canvas->height()))
                continue;
            uint16_t pixel = body;
            if (!in(ix - 1, iy) || !in(ix + 1, iy) || !in(ix, iy - 1) || !in(ix, iy + 1)) {
                pixel = rim;
            } else if (ix >= kBodyLeft && ix <= kBodyRight && iy >= kBodyTop && iy <= kBodyBottom) {
                pixel = sheetPixel(ix, iy);
            }
            canvas->setPixelAt(fx, fy, pixel);
        }
    }
}
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
    // Either look tells the kinds apart by shape too, for players who cannot tell the colours.
    if (presentation().highContrast || presentation().flashSafe) {
        if (kind_ >= 1 && kind_ <= kKindCount) {
            drawShaped(canvas, sharedItemImage.image(), kind_, wholePixels(x_), wholePixels(y_),
                       presentation().highContrast);
            return;
        }
    }
    canvas->drawImage(x_, y_, kSize, kSize, sharedItemImage.image(),
                      px(icon % kIconsPerRow * kIconPixels), px(icon / kIconsPerRow * kIconPixels),
                      kColourKey);
}
