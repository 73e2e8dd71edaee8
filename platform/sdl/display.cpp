// Display service of the SDL back end: the frame lives in the GameWindow, which shows it.
#include "platform/display.h"

#include "platform/sdl/game_window.h"

namespace platform {
namespace {
constexpr int32_t kBytesPerPixel = 2;
constexpr int32_t kBitsPerPixel = 16;
constexpr uint32_t kFormatFlags = 0;  // nothing reads the format word; same as headless
}  // namespace

DisplayProperties displayProperties() {
    DisplayProperties properties{};
    properties.width = kFrameWidth;
    properties.height = kFrameHeight;
    properties.xPitch = kBytesPerPixel;
    properties.yPitch = kFrameWidth * kBytesPerPixel;
    properties.bitsPerPixel = kBitsPerPixel;
    properties.format = kFormatFlags;
    return properties;
}

void openDisplay() {
    gameWindow().openDisplay();
}

uint16_t* beginDraw() {
    return gameWindow().frame();
}

void endDraw() {}

void closeDisplay() {
    gameWindow().closeDisplay();
}

void suspendDisplay() {
    gameWindow().suspend();
}

void resumeDisplay() {
    gameWindow().resume();
}

}  // namespace platform
