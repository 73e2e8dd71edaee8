// IconFile: a Windows icon file (.ico) holding PNG pictures, the form browsers take for a
// site's favicon.ico.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace artgen {

struct IconImage {
    int side = 0;              // square, 1 to 256 pixels
    std::vector<uint8_t> png;  // a whole PNG file of that size
};

// The .ico bytes: the 6-byte header, one 16-byte entry per image, then the PNG files in order.
// False (with a reason) for no images or a side outside 1 to 256.
bool encodeIco(const std::vector<IconImage>& images, std::vector<uint8_t>& out, std::string& error);

}  // namespace artgen
