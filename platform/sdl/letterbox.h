// Letterbox: where the 176 x 220 frame goes in a window, at the largest whole scale that fits.
#pragma once

namespace platform {

struct Letterbox {
    int scale;
    int x;  // the frame's top-left corner in window pixels; the rest stays black
    int y;
    int width;
    int height;
};

// The frame scaled by the largest whole factor that fits width x height, centred. A window
// smaller than the frame shows it at 1x, centred and cut at the edges.
Letterbox fitFrame(int width, int height);

// The frame pixel under the window point (x, y): false, leaving frameX and frameY alone, for a
// point on the black border or outside the window.
bool frameAt(const Letterbox& box, int x, int y, int& frameX, int& frameY);

}  // namespace platform
