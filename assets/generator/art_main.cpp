// v2_artgen: runs the artwork sources and writes every bitmap resource of the game as a BMP
// file, the window icon in its BMP and PNG sizes, and 1x previews of every picture.
//   v2_artgen OUTDIR SOURCE...
#include <cstdio>
#include <filesystem>
#include <string>

#include "image_files.h"
#include "layout_script.h"

namespace {

struct Expected {
    int id;
    int width;
    int height;
    int depth;
};

// Every bitmap resource the game loads, with the size and depth it is drawn at.
constexpr Expected kExpected[] = {
    {106, 176, 220, 8}, {114, 176, 220, 8}, {115, 128, 12, 8},  {116, 176, 220, 8},
    {118, 176, 220, 8}, {119, 176, 220, 8}, {120, 176, 220, 8}, {121, 140, 165, 8},
    {122, 176, 220, 8}, {123, 176, 220, 8}, {129, 176, 220, 8}, {130, 160, 80, 8},
    {133, 176, 220, 8}, {134, 96, 80, 24},  {138, 28, 56, 24},  {143, 160, 16, 8},
    {145, 176, 220, 8}, {152, 32, 24, 8},   {153, 50, 18, 8},   {154, 3, 6, 8},
    {155, 48, 30, 8},   {156, 48, 100, 8},  {157, 16, 30, 8},   {158, 32, 100, 8},
    {159, 16, 30, 8},   {160, 16, 100, 8},  {161, 176, 220, 8}, {162, 140, 40, 8},
    {163, 256, 128, 8}, {164, 176, 20, 8},  {165, 176, 220, 8}, {166, 176, 220, 8},
};

constexpr int kIconId = 131;
constexpr int kIconBmpScale = 2;                       // 16 x 16 master -> 32 x 32 resource
constexpr int kIconPngScales[] = {1, 2, 3, 4, 8, 16};  // 16 .. 256 pixels

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: v2_artgen OUTDIR SOURCE...\n");
        return 2;
    }
    namespace fs = std::filesystem;
    const fs::path out = argv[1];
    std::error_code ec;
    fs::create_directories(out / "preview", ec);
    fs::create_directories(out / "icons", ec);

    artgen::LayoutScript script;
    for (int i = 2; i < argc; ++i)
        if (!script.run(argv[i])) {
            std::fprintf(stderr, "v2_artgen: %s\n", script.error().c_str());
            return 1;
        }

    int failures = 0;
    for (const Expected& e : kExpected) {
        auto it = script.resources().find(e.id);
        if (it == script.resources().end()) {
            std::fprintf(stderr, "v2_artgen: picture %d is not described\n", e.id);
            ++failures;
            continue;
        }
        const artgen::Resource& r = it->second;
        if (r.picture.width() != e.width || r.picture.height() != e.height || r.depth != e.depth) {
            std::fprintf(stderr,
                         "v2_artgen: picture %d (%s) is %dx%d %d-bit, must be %dx%d %d-bit\n", e.id,
                         r.source.c_str(), r.picture.width(), r.picture.height(), r.depth, e.width,
                         e.height, e.depth);
            ++failures;
            continue;
        }
        std::vector<uint8_t> bmp;
        std::string error;
        if (!artgen::encodeBmp(r.picture, r.depth, bmp, error)) {
            std::fprintf(stderr, "v2_artgen: picture %d (%s): %s\n", e.id, r.source.c_str(),
                         error.c_str());
            ++failures;
            continue;
        }
        std::string name = std::to_string(e.id);
        if (!artgen::writeFile((out / (name + ".bmp")).string(), bmp) ||
            !artgen::writePng(r.picture, (out / "preview" / (name + ".png")).string())) {
            std::fprintf(stderr, "v2_artgen: cannot write picture %d\n", e.id);
            ++failures;
        }
    }

    const artgen::Picture* icon = script.icon();
    if (!icon) {
        std::fprintf(stderr, "v2_artgen: no icon is described\n");
        return 1;
    }
    std::vector<uint8_t> bmp;
    std::string error;
    if (!artgen::encodeBmp(icon->scaled(kIconBmpScale), 24, bmp, error) ||
        !artgen::writeFile((out / (std::to_string(kIconId) + ".bmp")).string(), bmp)) {
        std::fprintf(stderr, "v2_artgen: cannot write the icon\n");
        ++failures;
    }
    for (int scale : kIconPngScales) {
        int side = icon->width() * scale;
        std::string name = "vextorium2-" + std::to_string(side) + ".png";
        if (!artgen::writePng(icon->scaled(scale), (out / "icons" / name).string())) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
