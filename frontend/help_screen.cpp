// HelpScreen: each page is one full-screen picture.
#include "frontend/help_screen.h"

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"

HelpScreen::HelpScreen()
    : keyHelp_(new Image(instanceHandle, resource::kKeyHelp)),
      brickHelp_(new Image(instanceHandle, resource::kBrickHelp)),
      itemHelp_(new Image(instanceHandle, resource::kItemHelp)) {}

HelpScreen::~HelpScreen() {
    delete keyHelp_;
    delete brickHelp_;
    delete itemHelp_;
}

void HelpScreen::draw(Canvas* canvas) const {
    const Image* pages[] = {keyHelp_, brickHelp_, itemHelp_};
    if (page_ < 0 || page_ > kLastPage) return;
    canvas->drawImage(0, 0, px(176), px(220), pages[page_], 0, 0, NO_KEY);
}
