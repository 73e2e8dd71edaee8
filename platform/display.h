// Display service: a 176 x 220 frame of 16-bit pixels that reaches the screen.
#pragma once
#include <cstdint>

namespace platform {

constexpr int kFrameWidth = 176;
constexpr int kFrameHeight = 220;
constexpr int kFrameBytes = kFrameWidth * kFrameHeight * 2;  // 77,440

// The geometry the display reports: the frame's size and the steps between its pixels.
struct DisplayProperties {
    uint32_t width;
    uint32_t height;
    int32_t xPitch;
    int32_t yPitch;
    int32_t bitsPerPixel;
    uint32_t format;
};

DisplayProperties displayProperties();

// Opens the display full screen for the window and switches the keys to game input.
void openDisplay();
// Returns the frame the game copies into; valid until endDraw. Pixels are RGB565 with
// green's lowest bit never set. The back end shows it whenever it changed.
uint16_t* beginDraw();
void endDraw();
void closeDisplay();
void suspendDisplay();
void resumeDisplay();

}  // namespace platform
