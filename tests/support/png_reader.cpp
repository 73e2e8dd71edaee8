// Reads the replay runner's PNG frames back as RGB565 pixels.
#include "tests/support/png_reader.h"

#include <png.h>

#include <cstdio>

namespace testing_support {

std::vector<uint16_t> readFramePng(const std::string& path) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(image));
    if (image.width != 176 || image.height != 220 ||
        !png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    std::vector<uint16_t> frame(176 * 220);
    for (size_t i = 0; i < frame.size(); ++i) {
        const uint8_t* p = &rgb[3 * i];
        frame[i] = static_cast<uint16_t>(((p[0] >> 3) << 11) | ((p[1] >> 3) << 6) | (p[2] >> 3));
    }
    return frame;
}

}  // namespace testing_support
