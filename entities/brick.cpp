// Brick: hit points and points by kind, and the hit, destroy and weaken rules shared by all.
#include "entities/brick.h"

#include "graphics/digit_font.h"

namespace {
constexpr int32_t kHitPoints[7] = {0, 1, 2, 3, 2, 100, 1};
constexpr int32_t kPoints[7] = {0, 20, 40, 60, 70, 90, 80};

bool knownKind(int32_t kind) {
    return kind >= Brick::EmptyKind && kind <= Brick::FireKind;
}
}  // namespace

Brick::Brick(Fixed x, Fixed y, int32_t kind, int32_t colour)
    : kind_(kind), colour_(colour), x_(x), y_(y), hp_(hitPointsFor(kind)) {}

int32_t Brick::pointsFor(int32_t kind) {
    return knownKind(kind) ? kPoints[kind] : 0;
}
int32_t Brick::hitPointsFor(int32_t kind) {
    return knownKind(kind) ? kHitPoints[kind] : 0;
}

void Brick::destroy() {
    hp_ = 0;
    const int32_t points = pointsFor(kind_);
    if (points != 0) addScore(points);
}

int32_t Brick::hit() {
    if (hp_ != 0) {
        if (hp_ == 1) {
            const int32_t points = pointsFor(kind_);
            if (points != 0) addScore(points);
        }
        hp_ -= 1;
    }
    return hp_;
}

void Brick::weaken() {
    if (hp_ != 0) hp_ = 1;
}
