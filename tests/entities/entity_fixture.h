// Shared set-up of the entity tests: patterned stand-in sprite sheets, a fresh program
// directory, the play globals, and a mirror of the random generator.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <optional>

#include "graphics/image.h"
#include "tests/support/play_globals.h"
#include "tests/support/random_mirror.h"

// Every pixel of a stand-in sheet has its own colour (red from x, green from y, blue from the
// 32-pixel block), and none is black, white or pure blue except the sheet's pixel (0, 0),
// which is black.
class EntityTest : public ::testing::Test {
  protected:
    static constexpr uint32_t kSeed = 12345;

    void SetUp() override;
    void TearDown() override;

    // The pixel of a loaded sheet at (x, y), as it would be copied to a canvas.
    static uint16_t sheetPixel(const Image* image, int x, int y);

    std::filesystem::path dir;
    std::optional<testing_support::PlayGlobals> globals;
};
