// UTF-8 decoding shared by the online exchange and the score server.
#include "platform/common/utf8.h"

namespace platform {

size_t decodeUtf8(std::string_view bytes, size_t at, char32_t& c) {
    const auto b = static_cast<unsigned char>(bytes[at]);
    size_t extra = 0;
    char32_t minimum = 0;
    if (b < 0x80) {
        c = b;
        return 1;
    } else if (b >= 0xC2 && b <= 0xDF) {
        extra = 1, c = b & 0x1F, minimum = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        extra = 2, c = b & 0x0F, minimum = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        extra = 3, c = b & 0x07, minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + extra >= bytes.size()) return 0;  // cut short
    for (size_t k = 1; k <= extra; ++k) {
        const auto t = static_cast<unsigned char>(bytes[at + k]);
        if ((t & 0xC0) != 0x80) return 0;
        c = (c << 6) | (t & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return extra + 1;
}

}  // namespace platform
