// BMP decoding into 24-bit sections, and the table of embedded artwork.
#include "platform/bitmap.h"

#include <climits>
#include <map>

#include "platform/little_endian.h"

namespace platform {

// Provided by the generated artwork library (assets/): the embedded BMP files.
std::span<const uint8_t> embeddedResource(int id);

namespace {

constexpr int kMaxSide = 4096;

std::map<int, std::vector<uint8_t>>& addedResources() {
    static std::map<int, std::vector<uint8_t>> table;
    return table;
}

uint32_t readU32(std::span<const uint8_t> d, size_t at) {
    return le::read32(&d[at]);
}
uint16_t readU16(std::span<const uint8_t> d, size_t at) {
    return le::read16(&d[at]);
}

}  // namespace

Section makeSection(int width, int height) {
    Section s;
    s.width = width;
    s.height = height;
    s.stride = ((width + 3) & ~3) * 3;
    s.bits.assign(static_cast<size_t>(s.stride) * static_cast<size_t>(height), 0);
    return s;
}

std::span<const uint8_t> resourceBytes(int id) {
    auto& added = addedResources();
    if (auto it = added.find(id); it != added.end()) return it->second;
    return embeddedResource(id);
}

void addResource(int id, std::vector<uint8_t> bmpFile) {
    addedResources()[id] = std::move(bmpFile);
}

void removeResource(int id) {
    addedResources().erase(id);
}

bool decodeBmp(std::span<const uint8_t> file, Section& out) {
    if (file.size() < 54 || file[0] != 'B' || file[1] != 'M') return false;
    uint32_t pixelOffset = readU32(file, 10);
    uint32_t headerSize = readU32(file, 14);
    if (headerSize < 40 || 14 + static_cast<uint64_t>(headerSize) > file.size()) return false;
    int32_t width = static_cast<int32_t>(readU32(file, 18));
    int32_t rawHeight = static_cast<int32_t>(readU32(file, 22));
    uint16_t planes = readU16(file, 26);
    uint16_t depth = readU16(file, 28);
    uint32_t compression = readU32(file, 30);
    uint32_t coloursUsed = readU32(file, 46);
    if (planes != 1 || compression != 0 || (depth != 8 && depth != 24)) return false;
    if (rawHeight == INT32_MIN) return false;
    bool topDown = rawHeight < 0;
    int32_t height = topDown ? -rawHeight : rawHeight;
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide) return false;

    uint8_t palette[256][3] = {};
    if (depth == 8) {
        uint32_t count = coloursUsed == 0 ? 256 : coloursUsed;
        if (count > 256) return false;
        uint64_t paletteAt = 14 + static_cast<uint64_t>(headerSize);
        if (paletteAt + 4ull * count > file.size()) return false;
        for (uint32_t i = 0; i < count; ++i) {
            palette[i][0] = file[paletteAt + 4 * i];      // blue
            palette[i][1] = file[paletteAt + 4 * i + 1];  // green
            palette[i][2] = file[paletteAt + 4 * i + 2];  // red
        }
    }
    uint64_t rowBytes = ((static_cast<uint64_t>(width) * depth + 31) / 32) * 4;
    if (pixelOffset + rowBytes * static_cast<uint64_t>(height) > file.size()) return false;

    Section s = makeSection(width, height);
    for (int32_t r = 0; r < height; ++r) {
        // Section rows are bottom-up like the file's own rows, unless the file is top-down.
        int32_t fileRow = topDown ? height - 1 - r : r;
        const uint8_t* src = file.data() + pixelOffset + rowBytes * static_cast<uint64_t>(fileRow);
        uint8_t* dst = s.bits.data() + static_cast<size_t>(s.stride) * static_cast<size_t>(r);
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* bgr = depth == 24 ? src + 3 * x : palette[src[x]];
            dst[3 * x] = bgr[0];
            dst[3 * x + 1] = bgr[1];
            dst[3 * x + 2] = bgr[2];
        }
    }
    out = std::move(s);
    return true;
}

bool loadBitmapResource(int id, Section& out) {
    auto bytes = resourceBytes(id);
    return !bytes.empty() && decodeBmp(bytes, out);
}

}  // namespace platform
