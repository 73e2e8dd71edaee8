// HelpScreen: each page is one full-screen picture.
#include "frontend/help_screen.h"

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "frontend/screen_variants.h"
#include "graphics/image.h"

HelpScreen::HelpScreen()
    : keyHelp(new Image(instanceHandle, resource::kKeyHelp)),
      brickHelp(new Image(instanceHandle, resource::kBrickHelp)),
      itemHelp(new Image(instanceHandle, resource::kItemHelp)) {
    adaptScreen(keyHelp, resource::kKeyHelp);
}

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
