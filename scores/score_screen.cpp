// ScoreScreen: drawing the visible rows and scrolling through the table.
#include "scores/score_screen.h"

#include <string>

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/text_image.h"

namespace {

constexpr uint32_t kTextColour = 0xFFFFFF;  // white
constexpr int kTextMaxWidth = 176;

// Screen layout: row k of the visible window is drawn at y = 38 + 12 * k.
constexpr int kFirstRowY = 38;
constexpr int kRowPitch = 12;
constexpr int kRankX = 32;
constexpr int kNameX = 64;
constexpr int kScoreX = 128;

std::u16string decimal(uint32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

ScoreScreen::ScoreScreen() : background_(new Image(instanceHandle, resource::kHighScores)) {}

ScoreScreen::~ScoreScreen() {
    for (TextImage*& text : rankTexts_) {
        delete text;
        text = nullptr;
    }
    delete background_;
}

void ScoreScreen::makeTexts(ScoreEntry& entry, int index) const {
    if (rankTexts_[index] == nullptr)
        rankTexts_[index] =
            new TextImage(decimal(static_cast<uint32_t>(index) + 1), kTextColour, kTextMaxWidth);
    if (entry.nameText == nullptr)
        entry.nameText = new TextImage(entryName(entry), kTextColour, kTextMaxWidth);
    if (entry.scoreText == nullptr)
        entry.scoreText =
            new TextImage(entry.score == 0 ? std::u16string(u" ") : decimal(entry.score),
                          kTextColour, kTextMaxWidth);
}

void ScoreScreen::draw(Canvas* canvas, ScoreEntry* const* entries) const {
    canvas->drawImage(0, 0, 0, 0, background_, 0, 0, NO_KEY);
    for (int k = 0; k < kVisibleRows; ++k) {
        const int r = top_ + k;
        const Fixed y = px(kFirstRowY + kRowPitch * k);
        makeTexts(*entries[r], r);
        canvas->drawText(px(kRankX), y, rankTexts_[r]);
        canvas->drawText(px(kNameX), y, entries[r]->nameText);
        canvas->drawText(px(kScoreX), y, entries[r]->scoreText);
    }
}

void ScoreScreen::scrollUp() {
    if (top_ > 0) --top_;
}

void ScoreScreen::scrollDown() {
    if (top_ < kMaxTop) ++top_;
}

void ScoreScreen::scrollToEntry(int index) {
    if (index < 0 || index >= kScoreEntryCount) return;
    const int wanted = index - (kVisibleRows / 2 - 1);  // five rows above it where there are
    top_ = wanted < 0 ? 0 : wanted > kMaxTop ? kMaxTop : wanted;
}
