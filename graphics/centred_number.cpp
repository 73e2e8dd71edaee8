// The big numbers: n digits from a left edge, units last; centred, from x = (176 - 16n) / 2.
#include "graphics/centred_number.h"

#include "graphics/canvas.h"

namespace {
constexpr int kDigitSize = 16;
constexpr int kY = 139;
constexpr uint32_t kPureBlue = 0xFF0000;

int digitCount(int32_t value) {
    int n = 1;
    for (int32_t v = value / 10; v != 0; v /= 10) ++n;
    return n;
}
}  // namespace

void drawBigNumber(Canvas* target, const Image* digits, int x, int y, int32_t value) {
    const int n = digitCount(value);
    for (int j = 0; j < n; ++j, value /= 10) {
        int digit = value % 10;
        if (digit < 0) digit = -digit;
        target->drawImage(px(x + kDigitSize * (n - 1 - j)), px(y), px(kDigitSize), px(kDigitSize),
                          digits, px(kDigitSize * digit), 0, kPureBlue);
    }
}

void drawCentredNumber(Canvas* target, const Image* digits, int32_t value) {
    if (value == 0) return;
    drawBigNumber(target, digits, (176 - kDigitSize * digitCount(value)) >> 1, kY, value);
}
