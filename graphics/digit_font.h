// DigitFont: a 16-glyph digit strip holding one number, and adding to the score counter.
#pragma once
#include <cstdint>

#include "graphics/image.h"

class DigitFont {
  public:
    // Glyph cells of the strip: 0-9 the digits, then . + - * / =
    static constexpr int kCellDot = 10, kCellPlus = 11, kCellMinus = 12, kCellStar = 13,
                         kCellSlash = 14, kCellEquals = 15;

    DigitFont(InstanceHandle instance, int resourceId);
    ~DigitFont();
    DigitFont(const DigitFont&) = delete;
    DigitFont& operator=(const DigitFont&) = delete;

    void setValue(int32_t number);
    int32_t value() const { return value_; }

    int32_t glyphs[12] = {};
    int32_t glyphCount = 0;
    int32_t glyphWidth = 0;
    int32_t glyphHeight = 0;
    Image* image = nullptr;

  private:
    int32_t value_ = 0;
};

// scoreCounter's value plus the points, stored with setValue. Nothing without a counter.
void addScore(int32_t points);
