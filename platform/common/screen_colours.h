// Screen colours: the 8-bit red, green and blue the desktop window shows for each RGB565 pixel
// of the frame (SDL's conversion to the window's 32-bit pixels), so that a back end drawing
// into 8-bit channels shows exactly the same picture.
#pragma once
#include <cstdint>

namespace platform {

struct ScreenColour {
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

ScreenColour screenColour(uint16_t pixel);

}  // namespace platform
