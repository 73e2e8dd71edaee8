// HelpScreen: each page is one full-screen picture.
#include "frontend/help_screen.h"

#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"

namespace {
constexpr int kKeyHelp = 119;
constexpr int kBrickHelp = 166;
constexpr int kItemHelp = 165;
}  // namespace

HelpScreen::HelpScreen()
    : keyHelp(new Image(instanceHandle, kKeyHelp)),
      brickHelp(new Image(instanceHandle, kBrickHelp)),
      itemHelp(new Image(instanceHandle, kItemHelp)) {}

HelpScreen::~HelpScreen() {
    delete keyHelp;
    delete brickHelp;
    delete itemHelp;
}

void HelpScreen::draw(Canvas* canvas) const {
    const Image* pages[] = {keyHelp, brickHelp, itemHelp};
    if (page_ < 0 || page_ > kLastPage) return;
    canvas->drawImage(0, 0, px(176), px(220), pages[page_], 0, 0, NO_KEY);
}
