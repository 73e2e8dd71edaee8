// makeBrick: one constructor per kind.
#include "entities/brick_factory.h"

#include "entities/empty.h"
#include "entities/fire.h"
#include "entities/gem.h"
#include "entities/hide.h"
#include "entities/metal.h"
#include "entities/stable.h"
#include "entities/stone.h"

Brick* makeBrick(int32_t kind, Fixed x, Fixed y, int32_t colour) {
    switch (kind) {
        case Brick::StoneKind:
            return new Stone(x, y, colour);
        case Brick::MetalKind:
            return new Metal(x, y, colour);
        case Brick::GemKind:
            return new Gem(x, y, colour);
        case Brick::HideKind:
            return new Hide(x, y, colour);
        case Brick::StableKind:
            return new Stable(x, y, colour);
        case Brick::FireKind:
            return new Fire(x, y, colour);
        default:
            return new Empty(x, y, colour);
    }
}

bool makesEmptyBrick(int32_t kind) {
    return kind < Brick::StoneKind || kind > Brick::FireKind;
}
