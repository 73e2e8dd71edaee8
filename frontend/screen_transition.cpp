// ScreenTransition: a band of blended tiles advancing one unit of u + 2v per step.
#include "frontend/screen_transition.h"

#include "graphics/canvas.h"

ScreenTransition::ScreenTransition() {
    fromCanvas = new Canvas();
    toCanvas = new Canvas();
}

ScreenTransition::~ScreenTransition() {
    delete fromCanvas;
    delete toCanvas;
}

bool ScreenTransition::advance() {
    step = step + 1;
    if (step >= kSteps) {
        step = 0;
        return true;
    }
    return false;
}

int ScreenTransition::weightAt(int d) {
    if (d < -4 || d > 5) return 0;
    static constexpr int kWeights[] = {4, 4, 10, 10, 16, 16, 22, 22, 27, 27};  // d = -4 .. 5
    return kWeights[d + 4];
}

void ScreenTransition::draw(Canvas* destination) const {
    destination->copyFrom(toCanvas);
    for (int v = 0; v < kRows; ++v) {
        for (int u = 0; u < kColumns; ++u) {
            const int d = u + 2 * v - step;
            const Fixed x = px(kTile * u), y = px(kTile * v), size = px(kTile);
            if (d >= -4 && d <= 5) {
                destination->blendCanvas(x, y, size, size, fromCanvas, x, y, weightAt(d));
            } else if (u + 2 * v > step) {
                destination->drawCanvas(x, y, size, size, fromCanvas, x, y, NO_KEY);
            }
        }
    }
}
