// The big centred number: n digits from x = (176 - 16n) / 2, units last.
#include "graphics/centred_number.h"

#include "graphics/canvas.h"

namespace {
constexpr int kDigitSize = 16;
constexpr int kY = 139;
constexpr uint32_t kPureBlue = 0xFF0000;
}  // namespace

void drawCentredNumber(Canvas* target, const Image* digits, int32_t value) {
    int n = 0;
    for (int32_t v = value; v != 0; v /= 10) ++n;
    const int left = (176 - kDigitSize * n) >> 1;
    for (int j = 0; j < n; ++j, value /= 10) {
        int digit = value % 10;
        if (digit < 0) digit = -digit;  // never negative in play; a damaged save must not crash
        target->drawImage(px(left + kDigitSize * (n - 1 - j)), px(kY), px(kDigitSize),
                          px(kDigitSize), digits, px(kDigitSize * digit), 0, kPureBlue);
    }
}
