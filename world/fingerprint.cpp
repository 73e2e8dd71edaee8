// Playfield: the world's state as one number.
#include "entities/ball.h"
#include "entities/bullet.h"
#include "entities/item.h"
#include "entities/paddle.h"
#include "world/playfield.h"

namespace {
// FNV-1a's step over 32-bit words: cheap, and enough to spread small differences before the
// game key's own mixing.
class Fold {
  public:
    void add(int32_t v) { h_ = (h_ ^ static_cast<uint32_t>(v)) * 0x100000001B3ull; }
    uint64_t value() const { return h_; }

  private:
    uint64_t h_ = 0xCBF29CE484222325ull;
};
}  // namespace

uint64_t Playfield::fingerprint() const {
    Fold fold;
    fold.add(level_);
    fold.add(lives_);
    fold.add(paddle_->x());
    fold.add(paddle_->vx());
    fold.add(paddle_->size());
    fold.add(paddle_->mode());
    fold.add(static_cast<int32_t>(balls_.size()));
    for (const Ball* ball : balls_) {
        fold.add(ball->x());
        fold.add(ball->y());
        fold.add(ball->vx());
        fold.add(ball->vy());
        fold.add(ball->kind());
    }
    fold.add(static_cast<int32_t>(bullets_.size()));
    for (const Bullet* bullet : bullets_) {
        fold.add(bullet->x());
        fold.add(bullet->y());
    }
    fold.add(static_cast<int32_t>(items_.size()));
    for (const Item* item : items_) {
        fold.add(item->kind());
        fold.add(item->x());
        fold.add(item->y());
    }
    return fold.value();
}
