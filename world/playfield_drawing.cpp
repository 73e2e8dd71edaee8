// Playfield: drawing one frame of play and the status line (score, lives, level).
#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/effect.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "globals/globals.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/centred_number.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "graphics/looks.h"
#include "world/playfield.h"

namespace {

constexpr Fixed kStatusBarY = 0xC80000;       // 200 px
constexpr Fixed kStatusBarWidth = 0xB00000;   // 176 px
constexpr Fixed kStatusBarHeight = 0x140000;  // 20 px
constexpr Fixed kNumbersY = 0xCC0000;         // 204 px
constexpr Fixed kScoreX = 0x120000;           // 18 px
constexpr Fixed kLevelX = 0x930000;           // 147 px
constexpr Fixed kLivesX = 0x6A0000;           // 106 px
constexpr uint32_t kDigitKey = 0xFF0000;      // pure blue, the digit strip's background

// The high-contrast status line: the bar's three pictures (star, heart, flag) beside numbers
// in the 16 x 16 digits, over black under a white rule.
constexpr int kBarTop = 200;
constexpr int kPlayBottom = 200;  // the outlines stop where the status line begins
constexpr int kBigDigitsY = 203;
constexpr int kIconY = 3;  // in the bar's picture and the frame's bar alike
constexpr int kIconWidth = 13, kIconHeight = 12;
struct StatusField {
    int iconX;   // in the bar's picture
    int iconAt;  // in the frame
    int digitsAt;
};
constexpr StatusField kScoreField{3, 0, 13};
constexpr StatusField kLivesField{93, 95, 108};
constexpr StatusField kLevelField{133, 142, 156};

}  // namespace

void Playfield::draw(Canvas* canvas) const {
    const bool highContrast = presentation().highContrast;
    if (highContrast) {
        // A plain dark field: nothing behind the bricks, the balls and the items.
        looks::fillRect(canvas, 0, 0, wholePixels(kStatusBarWidth), kPlayBottom, looks::kBlack);
    } else {
        canvas->drawImage(0, 0, px(background_->width), px(background_->height), background_, 0, 0,
                          NO_KEY);
    }
    paddle_->draw(canvas);
    for (const Ball* ball : balls_) ball->draw(canvas);
    for (const Bullet* bullet : bullets_) bullet->draw(canvas);
    // Bricks cover the balls and the paddle; items and effects cover the bricks.
    for (const auto& row : grid_) {
        for (const BrickCell& cell : row) {
            if (cell.brick->drawn()) cell.brick->draw(canvas);
        }
    }
    for (const Item* item : items_) item->draw(canvas);
    // Strong outlines around every solid thing; the sparks and blasts drawn next stay as they
    // are.
    if (highContrast) looks::outlineObjects(canvas, 0, kPlayBottom, looks::kBlack, looks::kWhite);
    for (const Effect* effect : effects_) effect->draw(canvas);
    // The status line covers anything that reaches below the playing area.
    if (highContrast) {
        drawLargeStatus(canvas);
        return;
    }
    canvas->drawImage(0, kStatusBarY, kStatusBarWidth, kStatusBarHeight, statusBar_, 0, 0, NO_KEY);
    canvas->drawNumber(kScoreX, kNumbersY, scoreCounter, kDigitKey);
    canvas->drawNumber(kLevelX, kNumbersY, levelDisplay_, kDigitKey);
    canvas->drawNumber(kLivesX, kNumbersY, livesDisplay_, kDigitKey);
}

void Playfield::drawLargeStatus(Canvas* canvas) const {
    const int width = wholePixels(kStatusBarWidth), height = wholePixels(kStatusBarHeight);
    looks::fillRect(canvas, 0, kBarTop, width, height, looks::kBlack);
    for (const StatusField& field : {kScoreField, kLivesField, kLevelField}) {
        canvas->drawImage(px(field.iconAt), px(kBarTop + kIconY), px(kIconWidth), px(kIconHeight),
                          statusBar_, px(field.iconX), px(kIconY), NO_KEY);
    }
    // The icons' own dark backing goes black and their colours full.
    looks::raiseContrast(canvas, kBarTop, kBarTop + height);
    looks::fillRect(canvas, 0, kBarTop, width, 1, looks::kWhite);
    const int32_t score = scoreCounter != nullptr ? scoreCounter->value() : 0;
    drawBigNumber(canvas, bigDigits_, kScoreField.digitsAt, kBigDigitsY, score);
    drawBigNumber(canvas, bigDigits_, kLivesField.digitsAt, kBigDigitsY, livesDisplay_->value());
    drawBigNumber(canvas, bigDigits_, kLevelField.digitsAt, kBigDigitsY, levelDisplay_->value());
}
