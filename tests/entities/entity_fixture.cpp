// Shared set-up of the entity tests.
#include "entity_fixture.h"

#include <unistd.h>

#include <vector>

#include "assets/resource_ids.h"
#include "platform/bitmap.h"
#include "platform/files.h"
#include "platform/headless/headless.h"
#include "tests/support/bmp_builder.h"

namespace {
struct Sheet {
    int id, width, height;
};
// The entity sheets: ball, paddle, bullet, the six brick kinds, the items, the explosion,
// and the score digits.
constexpr Sheet kSheets[] = {{resource::kBalls, 32, 24},        {resource::kPaddle, 50, 18},
                             {resource::kBullet, 3, 6},         {resource::kFireBricks, 48, 30},
                             {resource::kGemBricks, 48, 100},   {resource::kHideBricks, 16, 30},
                             {resource::kMetalBricks, 32, 100}, {resource::kStableBricks, 16, 30},
                             {resource::kStoneBricks, 16, 100}, {resource::kItems, 140, 40},
                             {resource::kExplosion, 256, 128},  {resource::kSmallDigits, 160, 16}};

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
    globals.emplace(kSeed);
}

void EntityTest::TearDown() {
    globals.reset();
    std::filesystem::remove_all(dir);
}

uint16_t EntityTest::sheetPixel(const Image* image, int x, int y) {
    return image->pixels[y * image->width + x];
}
