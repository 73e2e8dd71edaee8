// OptionsScreen: background, highlighted label at its place, then the badges that are on.
#include "frontend/options_screen.h"

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"

namespace {
constexpr int kLabelWidth = 96, kLabelHeight = 20;
constexpr int kBadgeSize = 28;
constexpr int kBadgeX = 96, kMusicBadgeY = 60, kSoundBadgeY = 88;
struct Position {
    int32_t x, y;
};
constexpr Position kHighlightAt[OptionsScreen::kEntries] = {{0, 60}, {0, 96}, {0, 136}, {72, 180}};
}  // namespace

OptionsScreen::OptionsScreen()
    : background_(new Image(instanceHandle, resource::kOptions)),
      labels_(new Image(instanceHandle, resource::kOptionLabels)),
      badges_(new Image(instanceHandle, resource::kOptionBadges)) {}

OptionsScreen::~OptionsScreen() {
    delete background_;
    delete labels_;
    delete badges_;
}

void OptionsScreen::draw(Canvas* canvas) const {
    canvas->drawImage(0, 0, px(176), px(220), background_, 0, 0, NO_KEY);
    const Position at = kHighlightAt[selection_];
    canvas->drawImage(px(at.x), px(at.y), px(kLabelWidth), px(kLabelHeight), labels_, 0,
                      px(kLabelHeight * selection_), NO_KEY);
    if (musicOn)
        canvas->drawImage(px(kBadgeX), px(kMusicBadgeY), px(kBadgeSize), px(kBadgeSize), badges_, 0,
                          0, NO_KEY);
    if (soundOn)
        canvas->drawImage(px(kBadgeX), px(kSoundBadgeY), px(kBadgeSize), px(kBadgeSize), badges_, 0,
                          px(kBadgeSize), NO_KEY);
}

void OptionsScreen::moveUp() {
    selection_ = selection_ - 1;
    if (selection_ < 0) selection_ = kEntries - 1;
}

void OptionsScreen::moveDown() {
    selection_ = (selection_ + 1) % kEntries;
}

void OptionsScreen::toggleMusic() {
    musicOn = !musicOn;
}

void OptionsScreen::toggleSound() {
    soundOn = !soundOn;
}
