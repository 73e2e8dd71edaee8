// FrontendTest: plain solid-colour artwork for every picture the front end draws.
#include "tests/frontend/frontend_fixture.h"

#include <unistd.h>

#include "assets/resource_ids.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "shell/entry.h"
#include "shell/program.h"
#include "tests/support/bmp_builder.h"
#include "tests/support/wav_builder.h"

using testing_support::Rgb;

namespace {
// Distinct in the frame's 5-6-5 format for every two pictures: red steps by one level per id
// (repeating every 32 ids), green by eight levels every 32 ids.
Rgb colourOf(int id) {
    return Rgb{static_cast<uint8_t>((id * 8) & 0xF8), static_cast<uint8_t>((255 - id) & 0xFC),
               static_cast<uint8_t>(id / 2)};
}
void solid(int id, int w, int h) {
    platform::addResource(id,
                          testing_support::makeBmp24(w, h, std::vector<Rgb>(w * h, colourOf(id))));
}
// A strip of `cells` glyphs of w x h: glyph d is filled with (8d + 8, 8, 8) except its
// leftmost column, which is pure blue (the key).
void strip(int id, int cells, int w, int h) {
    std::vector<Rgb> c(cells * w * h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < cells * w; ++x)
            c[y * cells * w + x] =
                x % w == 0 ? Rgb{0, 0, 255} : Rgb{static_cast<uint8_t>(8 * (x / w) + 8), 8, 8};
    platform::addResource(id, testing_support::makeBmp24(cells * w, h, c));
}
}  // namespace

uint16_t FrontendTest::screenColour(int id) {
    Rgb c = colourOf(id);
    return toPixel(c.r, c.g, c.b);
}

void FrontendTest::SetUp() {
    platform::headless::reset();
    dir = std::filesystem::temp_directory_path() /
          ("v2-frontend-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    platform::setProgramDirectory(dir.string());
    using namespace resource;
    for (int id : {kPlayBackground, kAbout, kGameOver, kHighScores, kKeyHelp, kMenu, kPause,
                   kVictory, kNameEntry, kOptions, kTitle, kStage, kItemHelp, kBrickHelp})
        solid(id, 176, 220);
    solid(kMenuHighlights, 140, 165);
    solid(kOptionLabels, 96, 80);
    solid(kOptionBadges, 28, 56);
    solid(kNameEntryGrid, 160, 80);
    solid(kStatusBar, 176, 20);
    const int sprites[][3] = {
        {kBalls, 32, 24},        {kPaddle, 50, 18},       {kBullet, 3, 6},
        {kFireBricks, 48, 30},   {kGemBricks, 48, 100},   {kHideBricks, 16, 30},
        {kMetalBricks, 32, 100}, {kStableBricks, 16, 30}, {kStoneBricks, 16, 100},
        {kItems, 140, 40},       {kExplosion, 256, 128}};
    for (const auto& s : sprites) solid(s[0], s[1], s[2]);
    strip(kBigDigits, 10, 16, 16);
    strip(kSmallDigits, 16, 8, 12);
    for (const char* name :
         {"Action.wav", "menuup.wav", "menudown.wav", "music.wav", "hit.wav", "blast.wav"})
        testing_support::writeFile((dir / name).string(), testing_support::makeWav(80));
    createGlobals();
}

void FrontendTest::TearDown() {
    destroyGlobals();
    platform::setProgramDirectory("");
    std::filesystem::remove_all(dir);
}

void FrontendTest::finishWipe() {
    // As in the main loop: a tick every 11 ms of the virtual clock, so sounds finish too.
    for (int i = 0; i < ScreenTransition::kSteps && program().app->state() == TRANSITION; ++i) {
        platform::headless::advance(11);
        program().app->tick(10);
    }
}

std::vector<std::string> FrontendTest::traceFrom(size_t skip) const {
    std::vector<std::string> out;
    const auto& lines = platform::headless::traceLines();
    for (size_t i = skip; i < lines.size(); ++i)
        out.push_back(lines[i].substr(lines[i].find(' ') + 1));
    return out;
}

size_t FrontendTest::traceSize() const {
    return platform::headless::traceLines().size();
}
