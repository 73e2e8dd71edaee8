// v2_artgen: runs the artwork sources and writes every bitmap resource of the game as a BMP
// file, the window icon in its BMP and PNG sizes, and 1x previews of every picture.
//   v2_artgen OUTDIR SOURCE...
// For the level editor in the page it also writes web/bricks.png, every brick of the level file
// (one row per kind, Stone to Fire; one column per colour) as its first picture on its sheet,
// and web/backdrop.png, the play screen's background, both in the colours the screen shows.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "assets/resource_ids.h"
#include "icon_file.h"
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
    {resource::kPlayBackground, 176, 220, 8}, {resource::kAbout, 176, 220, 8},
    {resource::kSmallDigits, 128, 12, 8},     {resource::kGameOver, 176, 220, 8},
    {resource::kHighScores, 176, 220, 8},     {resource::kKeyHelp, 176, 220, 8},
    {resource::kMenu, 176, 220, 8},           {resource::kMenuHighlights, 140, 165, 8},
    {resource::kPause, 176, 220, 8},          {resource::kVictory, 176, 220, 8},
    {resource::kNameEntry, 176, 220, 8},      {resource::kNameEntryGrid, 160, 80, 8},
    {resource::kOptions, 176, 220, 8},        {resource::kOptionLabels, 96, 80, 24},
    {resource::kOptionBadges, 28, 56, 24},    {resource::kBigDigits, 160, 16, 8},
    {resource::kTitle, 176, 220, 8},          {resource::kBalls, 32, 24, 8},
    {resource::kPaddle, 50, 18, 8},           {resource::kBullet, 3, 6, 8},
    {resource::kFireBricks, 48, 30, 8},       {resource::kGemBricks, 48, 100, 8},
    {resource::kHideBricks, 16, 30, 8},       {resource::kMetalBricks, 32, 100, 8},
    {resource::kStableBricks, 16, 30, 8},     {resource::kStoneBricks, 16, 100, 8},
    {resource::kStage, 176, 220, 8},          {resource::kItems, 140, 40, 8},
    {resource::kExplosion, 256, 128, 8},      {resource::kStatusBar, 176, 20, 8},
    {resource::kItemHelp, 176, 220, 8},       {resource::kBrickHelp, 176, 220, 8},
    {resource::kScreenVariants, 176, 226, 8},
};

constexpr int kIconBmpScale = 2;                       // 16 x 16 master -> 32 x 32 resource
constexpr int kIconPngScales[] = {1, 2, 3, 4, 8, 16};  // 16 .. 256 pixels
constexpr int kWebIconScales[] = {12, 32};             // 192 and 512: what browsers install
constexpr int kFaviconScales[] = {1, 2, 3};            // 16, 32 and 48 in favicon.ico

// A colour as the screen shows it: the game's 16-bit pixel widened to 8 bits a channel.
uint32_t onScreen(uint32_t c) {
    const uint16_t p = artgen::gamePixel(c);
    return artgen::rgb((p >> 11) * 255 / 31, ((p >> 5) & 0x3F) * 255 / 63, (p & 0x1F) * 255 / 31);
}

// The editor's pictures; false when a sheet is missing or cannot be written.
bool writeEditorSheets(const artgen::LayoutScript& script, const std::filesystem::path& dir) {
    // The level file's kinds 1 to 6, in order, and how many colours each has.
    constexpr struct {
        int id;
        int colours;
    } kSheets[] = {{resource::kStoneBricks, 10}, {resource::kMetalBricks, 10},
                   {resource::kGemBricks, 10},   {resource::kHideBricks, 3},
                   {resource::kStableBricks, 3}, {resource::kFireBricks, 3}};
    constexpr int kBrickW = 16;
    constexpr int kBrickH = 10;
    // Keyed pixels (the gem's cut corners) are left black: the page clears them.
    artgen::Picture bricks(kBrickW * 10, kBrickH * 6, 0);
    for (int kind = 0; kind < 6; ++kind) {
        const auto it = script.resources().find(kSheets[kind].id);
        if (it == script.resources().end()) return false;
        const artgen::Picture& sheet = it->second.picture;
        for (int colour = 0; colour < kSheets[kind].colours; ++colour)
            for (int y = 0; y < kBrickH; ++y)
                for (int x = 0; x < kBrickW; ++x) {
                    const uint32_t c = sheet.at(x, colour * kBrickH + y);
                    bricks.set(colour * kBrickW + x, kind * kBrickH + y,
                               c == it->second.key ? 0 : onScreen(c));
                }
    }
    const auto back = script.resources().find(resource::kPlayBackground);
    if (back == script.resources().end()) return false;
    artgen::Picture backdrop(back->second.picture.width(), back->second.picture.height());
    for (int y = 0; y < backdrop.height(); ++y)
        for (int x = 0; x < backdrop.width(); ++x)
            backdrop.set(x, y, onScreen(back->second.picture.at(x, y)));
    return artgen::writePng(bricks, (dir / "bricks.png").string()) &&
           artgen::writePng(backdrop, (dir / "backdrop.png").string());
}

std::vector<uint8_t> readWhole(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

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
    fs::create_directories(out / "web", ec);

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
        !artgen::writeFile((out / (std::to_string(resource::kIcon) + ".bmp")).string(), bmp)) {
        std::fprintf(stderr, "v2_artgen: cannot write the icon\n");
        ++failures;
    }
    const auto iconPath = [&](int scale) {
        return (out / "icons" / ("vextorium2-" + std::to_string(icon->width() * scale) + ".png"))
            .string();
    };
    for (int scale : kIconPngScales)
        if (!artgen::writePng(icon->scaled(scale), iconPath(scale))) ++failures;
    for (int scale : kWebIconScales)
        if (!artgen::writePng(icon->scaled(scale), iconPath(scale))) ++failures;
    // The page's favicon: the small sizes as PNG pictures in one icon file.
    std::vector<artgen::IconImage> favicon;
    for (int scale : kFaviconScales)
        favicon.push_back({icon->width() * scale, readWhole(iconPath(scale))});
    std::vector<uint8_t> ico;
    if (!artgen::encodeIco(favicon, ico, error) ||
        !artgen::writeFile((out / "icons" / "favicon.ico").string(), ico)) {
        std::fprintf(stderr, "v2_artgen: cannot write favicon.ico: %s\n", error.c_str());
        ++failures;
    }
    if (!writeEditorSheets(script, out / "web")) {
        std::fprintf(stderr, "v2_artgen: cannot write the editor's brick sheet\n");
        ++failures;
    }
    return failures == 0 ? 0 : 1;
}
