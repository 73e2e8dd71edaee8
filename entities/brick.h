// Brick: the base of the seven brick kinds held in every cell of the playfield's grid.
#pragma once
#include <cstdint>

#include "graphics/fixed.h"

class Canvas;

class Brick {
  public:
    // Kinds, as the level data numbers them.
    static constexpr int32_t EmptyKind = 0;
    static constexpr int32_t StoneKind = 1;
    static constexpr int32_t MetalKind = 2;
    static constexpr int32_t GemKind = 3;
    static constexpr int32_t HideKind = 4;
    static constexpr int32_t StableKind = 5;
    static constexpr int32_t FireKind = 6;

    static constexpr Fixed kWidth = 0x100000;  // 16 px
    static constexpr Fixed kHeight = 0xA0000;  // 10 px

    // hp and points from the kind; a kind outside 0..6 has neither.
    Brick(Fixed x, Fixed y, int32_t kind, int32_t colour);
    Brick(const Brick&) = delete;
    Brick& operator=(const Brick&) = delete;

    virtual bool takeExploded() { return false; }
    // Only a fire brick changes with time (its animation and its blast); for the other kinds
    // update does nothing.
    virtual void update(int32_t /*dt*/) {}
    bool animated() const { return kind_ == FireKind; }
    virtual void draw(Canvas* /*canvas*/) const {}
    // False when draw would show nothing: an empty cell, or a brick that is gone (save a fire
    // brick, whose blast shows over the emptied cell).
    bool drawn() const { return isPresent() || animated(); }
    bool isPresent() const { return hp_ != 0; }
    // hp to 0 and the kind's points.
    virtual void destroy();
    // One ordinary hit: the kind's points when it removes the brick; returns the hp left.
    virtual int32_t hit();
    // A present brick is left with one hit.
    virtual void weaken();
    virtual ~Brick() = default;

    int32_t kind() const { return kind_; }
    int32_t colour() const { return colour_; }
    Fixed x() const { return x_; }
    Fixed y() const { return y_; }
    int32_t hp() const { return hp_; }
    // The points the kind awards: 20, 40, 60, 70, 90, 80 for kinds 1 to 6.
    static int32_t pointsFor(int32_t kind);
    static int32_t hitPointsFor(int32_t kind);

  protected:
    int32_t kind_;
    int32_t colour_;
    Fixed x_;
    Fixed y_;
    int32_t hp_;
};
