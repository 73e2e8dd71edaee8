// A running program on the headless back end, with plain test artwork and short sounds in a
// temporary program directory.
#pragma once
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "frontend/game_app.h"
#include "graphics/image.h"

class FrontendTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Runs ticks until the wipe under way has entered its target.
    void finishWipe();
    // From the title, through three empty levels, to the name entry with this final score
    // (it must beat the table's lowest).
    void playToNameEntry(int32_t finalScore);
    // Trace lines after the first `skip`, without their millisecond.
    std::vector<std::string> traceFrom(size_t skip) const;
    size_t traceSize() const;

    // The solid colour each full-screen test picture is filled with.
    static uint16_t screenColour(int id);

    std::filesystem::path dir;
};
