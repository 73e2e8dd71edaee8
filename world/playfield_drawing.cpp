// Playfield: drawing one frame of play and the status line (score, lives, level).
#include "entities/ball.h"
#include "entities/brick.h"
#include "entities/bullet.h"
#include "entities/effect.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/digit_font.h"
#include "graphics/image.h"
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

}  // namespace

void Playfield::draw(Canvas* canvas) const {
    canvas->drawImage(0, 0, px(background_->width), px(background_->height), background_, 0, 0,
                      NO_KEY);
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
    for (const Effect* effect : effects_) effect->draw(canvas);
    // The status line covers anything that reaches below the playing area.
    canvas->drawImage(0, kStatusBarY, kStatusBarWidth, kStatusBarHeight, statusBar_, 0, 0, NO_KEY);
    canvas->drawNumber(kScoreX, kNumbersY, scoreCounter, kDigitKey);
    canvas->drawNumber(kLevelX, kNumbersY, levelDisplay_, kDigitKey);
    canvas->drawNumber(kLivesX, kNumbersY, livesDisplay_, kDigitKey);
}
