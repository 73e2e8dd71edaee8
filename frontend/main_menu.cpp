// MainMenu: the background, then the highlighted band of the selected entry.
#include "frontend/main_menu.h"

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"

namespace {
constexpr int kBandX = 20, kBandY = 23, kBandWidth = 140, kBandHeight = 33;
}  // namespace

MainMenu::MainMenu()
    : background_(new Image(instanceHandle, resource::kMenu)),
      highlights_(new Image(instanceHandle, resource::kMenuHighlights)) {}

MainMenu::~MainMenu() {
    delete background_;
    delete highlights_;
}

void MainMenu::draw(Canvas* canvas) const {
    canvas->drawImage(0, 0, px(176), px(220), background_, 0, 0, NO_KEY);
    canvas->drawImage(px(kBandX), px(kBandY + kBandHeight * selection_), px(kBandWidth),
                      px(kBandHeight), highlights_, 0, px(kBandHeight * selection_), NO_KEY);
}

void MainMenu::moveUp() {
    selection_ = selection_ - 1;
    if (selection_ < 0) selection_ = kEntries - 1;
}

void MainMenu::moveDown() {
    selection_ = (selection_ + 1) % kEntries;
}
