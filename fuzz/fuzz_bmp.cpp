// Fuzz target: a BMP file of any content through the bitmap decoder and, when it decodes, the
// conversion an Image makes of it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "graphics/image.h"
#include "platform/bitmap.h"
#include "platform/headless/headless.h"

namespace {
constexpr int kResourceId = 9999;  // not one of the game's own

void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::headless::reset();
    platform::Section section;
    if (!platform::decodeBmp({data, size}, section)) return 0;
    check(section.width > 0 && section.height > 0);
    check(section.stride >= 3 * section.width && section.stride % 4 == 0);
    check(section.bits.size() ==
          static_cast<size_t>(section.stride) * static_cast<size_t>(section.height));

    platform::addResource(kResourceId, std::vector<uint8_t>(data, data + size));
    Image image(nullptr, kResourceId);
    check(image.pixels != nullptr && image.width == section.width &&
          image.height == section.height);
    // The top-left pixel comes from the section's last row (rows are bottom-up).
    const uint8_t* topLeft =
        section.bits.data() + static_cast<size_t>(section.stride) * (section.height - 1);
    check(image.pixels[0] == toPixel(topLeft[2], topLeft[1], topLeft[0]));
    return 0;
}
