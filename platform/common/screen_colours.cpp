// Screen colours: red and blue are scaled to 8 bits rounding down; green follows SDL's own
// conversion table, which rounds a few of its 64 levels one step differently.
#include "platform/common/screen_colours.h"

namespace platform {
namespace {

constexpr uint8_t kGreen[64] = {
    0,   4,   8,   12,  16,  20,  24,  28,  32,  36,  40,  44,  48,  52,  56,  60,
    64,  68,  72,  76,  80,  84,  88,  92,  97,  101, 105, 109, 113, 117, 121, 125,
    129, 133, 137, 141, 145, 149, 153, 157, 161, 165, 169, 173, 177, 181, 185, 189,
    194, 198, 202, 206, 210, 214, 218, 222, 226, 230, 234, 238, 242, 246, 250, 254,
};

constexpr uint8_t widen5(uint32_t level) {
    return static_cast<uint8_t>(level * 255 / 31);
}

}  // namespace

ScreenColour screenColour(uint16_t pixel) {
    return ScreenColour{widen5(pixel >> 11), kGreen[(pixel >> 5) & 0x3F], widen5(pixel & 0x1F)};
}

}  // namespace platform
