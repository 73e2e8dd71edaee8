// BMP encoding (field by field, little-endian) and PNG writing through libpng.
#include "image_files.h"

#include <png.h>

#include <cstdio>
#include <fstream>
#include <map>

#include "platform/little_endian.h"

namespace artgen {
namespace {

constexpr uint32_t kFileHeaderBytes = 14;
constexpr uint32_t kInfoHeaderBytes = 40;
constexpr int32_t kPixelsPerMetre = 3780;  // 96 dots per inch

void put16(std::vector<uint8_t>& out, uint32_t v) {
    le::append16(out, static_cast<uint16_t>(v));
}
void put32(std::vector<uint8_t>& out, uint32_t v) {
    le::append32(out, v);
}

}  // namespace

bool encodeBmp(const Picture& picture, int depth, std::vector<uint8_t>& out, std::string& error) {
    const int w = picture.width();
    const int h = picture.height();
    std::vector<uint32_t> palette;
    std::map<uint32_t, uint8_t> index;
    if (depth == 8) {
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                uint32_t c = picture.at(x, y);
                if (index.count(c)) continue;
                if (palette.size() == 256) {
                    error = "more than 256 colours in an 8-bit picture";
                    return false;
                }
                index[c] = static_cast<uint8_t>(palette.size());
                palette.push_back(c);
            }
    } else if (depth != 24) {
        error = "depth must be 8 or 24";
        return false;
    }
    const uint32_t rowBytes = ((static_cast<uint32_t>(w) * depth + 31) / 32) * 4;
    const uint32_t paletteBytes = static_cast<uint32_t>(palette.size()) * 4;
    const uint32_t pixelOffset = kFileHeaderBytes + kInfoHeaderBytes + paletteBytes;
    const uint32_t imageBytes = rowBytes * static_cast<uint32_t>(h);

    out.clear();
    out.push_back('B');
    out.push_back('M');
    put32(out, pixelOffset + imageBytes);  // file size
    put32(out, 0);                         // reserved
    put32(out, pixelOffset);
    put32(out, kInfoHeaderBytes);
    put32(out, static_cast<uint32_t>(w));
    put32(out, static_cast<uint32_t>(h));  // positive: bottom row first
    put16(out, 1);                         // planes
    put16(out, static_cast<uint32_t>(depth));
    put32(out, 0);  // no compression
    put32(out, imageBytes);
    put32(out, kPixelsPerMetre);
    put32(out, kPixelsPerMetre);
    put32(out, static_cast<uint32_t>(palette.size()));  // colours used
    put32(out, 0);                                      // all colours important
    for (uint32_t c : palette) {
        out.push_back(static_cast<uint8_t>(blueOf(c)));
        out.push_back(static_cast<uint8_t>(greenOf(c)));
        out.push_back(static_cast<uint8_t>(redOf(c)));
        out.push_back(0);
    }
    for (int y = h - 1; y >= 0; --y) {
        size_t start = out.size();
        for (int x = 0; x < w; ++x) {
            uint32_t c = picture.at(x, y);
            if (depth == 8) {
                out.push_back(index[c]);
            } else {
                out.push_back(static_cast<uint8_t>(blueOf(c)));
                out.push_back(static_cast<uint8_t>(greenOf(c)));
                out.push_back(static_cast<uint8_t>(redOf(c)));
            }
        }
        while (out.size() - start < rowBytes) out.push_back(0);
    }
    return true;
}

bool writePng(const Picture& picture, const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(file);
        return false;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width()),
                 static_cast<png_uint_32>(picture.height()), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(picture.width()) * 3);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            uint32_t c = picture.at(x, y);
            row[3 * x] = static_cast<uint8_t>(redOf(c));
            row[3 * x + 1] = static_cast<uint8_t>(greenOf(c));
            row[3 * x + 2] = static_cast<uint8_t>(blueOf(c));
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(file) == 0;
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(f);
}

}  // namespace artgen
