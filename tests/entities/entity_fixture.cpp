// Shared set-up of the entity tests.
#include "entity_fixture.h"

#include <unistd.h>

#include <vector>

#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/random.h"
#include "tests/support/bmp_builder.h"

namespace {
struct Sheet {
    int id, width, height;
};
// The entity sheets: ball, paddle, bullet, the six brick kinds, the items, the explosion,
// and the score digits.
constexpr Sheet kSheets[] = {{152, 32, 24},  {153, 50, 18},  {154, 3, 6},     {155, 48, 30},
                             {156, 48, 100}, {157, 16, 30},  {158, 32, 100},  {159, 16, 30},
                             {160, 16, 100}, {162, 140, 40}, {163, 256, 128}, {115, 160, 16}};

std::vector<uint8_t> patternedBmp(int width, int height) {
    std::vector<testing_support::Rgb> pixels;
    pixels.reserve(static_cast<size_t>(width) * height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int block = (x >> 5) + ((y >> 5) << 3);
            pixels.push_back({static_cast<uint8_t>((x & 31) << 3),
                              static_cast<uint8_t>((y & 31) << 3),
                              static_cast<uint8_t>((block & 31) << 3)});
        }
    }
    return testing_support::makeBmp24(width, height, pixels);
}
}  // namespace

void EntityTest::SetUp() {
    platform::headless::reset();
    for (const Sheet& sheet : kSheets) {
        platform::addResource(sheet.id, patternedBmp(sheet.width, sheet.height));
    }
    dir = std::filesystem::temp_directory_path() /
          ("v2-entities-" + std::to_string(::getpid()) + "-" +
           ::testing::UnitTest::GetInstance()->current_test_info()->name());
    std::filesystem::create_directories(dir);
    platform::setProgramDirectory(dir.string() + "/");
    soundOn = true;
    muted = false;
    scoreCounter = new DigitFont(instanceHandle, 115);
    platform::seedRandom(kSeed);
}

void EntityTest::TearDown() {
    delete scoreCounter;
    scoreCounter = nullptr;
    std::filesystem::remove_all(dir);
}

uint16_t EntityTest::sheetPixel(const Image* image, int x, int y) {
    return image->pixels[y * image->width + x];
}
