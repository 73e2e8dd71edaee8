#include "icon_file.h"

#include "platform/little_endian.h"

namespace artgen {

bool encodeIco(const std::vector<IconImage>& images, std::vector<uint8_t>& out,
               std::string& error) {
    constexpr uint32_t kHeaderBytes = 6;
    constexpr uint32_t kEntryBytes = 16;
    if (images.empty() || images.size() > 0xFFFF) {
        error = "an icon file holds 1 to 65535 pictures";
        return false;
    }
    out.clear();
    le::append16(out, 0);  // reserved
    le::append16(out, 1);  // an icon, not a cursor
    le::append16(out, static_cast<uint16_t>(images.size()));
    uint32_t offset = kHeaderBytes + kEntryBytes * static_cast<uint32_t>(images.size());
    for (const IconImage& image : images) {
        if (image.side < 1 || image.side > 256) {
            error = "an icon picture is 1 to 256 pixels a side, not " + std::to_string(image.side);
            return false;
        }
        const auto side = static_cast<uint8_t>(image.side & 0xFF);  // 256 is written as 0
        out.push_back(side);
        out.push_back(side);
        out.push_back(0);       // no palette
        out.push_back(0);       // reserved
        le::append16(out, 1);   // colour planes
        le::append16(out, 32);  // bits per pixel, as browsers expect of a PNG entry
        le::append32(out, static_cast<uint32_t>(image.png.size()));
        le::append32(out, offset);
        offset += static_cast<uint32_t>(image.png.size());
    }
    for (const IconImage& image : images) out.insert(out.end(), image.png.begin(), image.png.end());
    return true;
}

}  // namespace artgen
