// Letterbox arithmetic: whole-number scaling keeps every game pixel a crisp square.
#include "platform/sdl/letterbox.h"

#include <algorithm>

#include "platform/display.h"

namespace platform {

Letterbox fitFrame(int width, int height) {
    const int scale = std::max(1, std::min(width / kFrameWidth, height / kFrameHeight));
    Letterbox box{};
    box.scale = scale;
    box.width = kFrameWidth * scale;
    box.height = kFrameHeight * scale;
    box.x = (width - box.width) / 2;
    box.y = (height - box.height) / 2;
    return box;
}

bool frameAt(const Letterbox& box, int x, int y, int& frameX, int& frameY) {
    if (x < box.x || y < box.y || x >= box.x + box.width || y >= box.y + box.height) return false;
    frameX = (x - box.x) / box.scale;
    frameY = (y - box.y) / box.scale;
    return true;
}

}  // namespace platform
