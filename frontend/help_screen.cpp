// HelpScreen: each page is one full-screen picture.
#include "frontend/help_screen.h"

#include "assets/resource_ids.h"
#include "entities/item.h"
#include "frontend/screen_variants.h"
#include "globals/globals.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/looks.h"

namespace {
// Where the items page shows each kind's capsule: two columns of seven, 25 pixels apart.
constexpr int kItemColumnX[2] = {0, 89};
constexpr int kItemTop = 20, kItemSpacing = 25, kItemsPerColumn = 7;

// Either look draws the items as their shapes, so the page shows the shapes the player meets.
void drawItemShapes(Canvas* canvas) {
    for (int32_t kind = 1; kind <= Item::kKindCount; ++kind) {
        const int x = kItemColumnX[(kind - 1) / kItemsPerColumn];
        const int y = kItemTop + kItemSpacing * ((kind - 1) % kItemsPerColumn);
        // The capsule's top rows are clear: the page's own background shows there.
        looks::fillRect(canvas, x, y, wholePixels(Item::kSize), wholePixels(Item::kSize),
                        canvas->pixelAt(x, y));
        Item(px(x), px(y), 0, 0, kind).draw(canvas);
    }
}
}  // namespace

HelpScreen::HelpScreen()
    : keyHelp_(new Image(instanceHandle, resource::kKeyHelp)),
      brickHelp_(new Image(instanceHandle, resource::kBrickHelp)),
      itemHelp_(new Image(instanceHandle, resource::kItemHelp)) {
    adaptScreen(keyHelp_, resource::kKeyHelp);
}

HelpScreen::~HelpScreen() {
    delete keyHelp_;
    delete brickHelp_;
    delete itemHelp_;
}

void HelpScreen::draw(Canvas* canvas) const {
    const Image* pages[] = {keyHelp_, brickHelp_, itemHelp_};
    if (page_ < 0 || page_ > kLastPage) return;
    canvas->drawImage(0, 0, px(176), px(220), pages[page_], 0, 0, NO_KEY);
    if (page_ == kLastPage && (presentation().highContrast || presentation().flashSafe))
        drawItemShapes(canvas);
}
