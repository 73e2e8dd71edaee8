// ScreenTransition: a band of blended tiles advancing one unit of u + 2v per step.
#include "frontend/screen_transition.h"

#include "globals/presentation.h"
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

// What a tile at (u, v) shows: the old screen mixed in with a weight (in the band), the old
// screen as it was (ahead of the band), or the new screen (behind it; weight 0 here).
int ScreenTransition::tileWeight(int u, int v) const {
    const int d = u + 2 * v - step;
    if (d >= -4 && d <= 5) return weightAt(d);
    return u + 2 * v > step ? kOldScreen : 0;
}

// Each tile is written once from the screen it shows (a band tile from the new screen, then
// blended with the old one), which is what copying the whole new screen first and drawing
// the rest over it gave, with less copying.
void ScreenTransition::draw(Canvas* destination) const {
    if (presentation().flashSafe) {
        drawFade(destination);
        return;
    }
    // The spare pixel after the frame, as a copy of the whole new screen would take it.
    destination->buffer()[Canvas::kPixelCount - 1] = toCanvas->buffer()[Canvas::kPixelCount - 1];
    for (int v = 0; v < kRows; ++v) {
        // Neighbouring tiles of a row that are treated alike are drawn in one call.
        for (int u = 0; u < kColumns;) {
            const int weight = tileWeight(u, v);
            int end = u + 1;
            while (end < kColumns && tileWeight(end, v) == weight) ++end;
            const Fixed x = px(kTile * u), y = px(kTile * v);
            const Fixed w = px(kTile * (end - u)), h = px(kTile);
            if (weight == kOldScreen) {
                destination->drawCanvas(x, y, w, h, fromCanvas, x, y, NO_KEY);
            } else {
                destination->drawCanvas(x, y, w, h, toCanvas, x, y, NO_KEY);
                if (weight > 0) destination->blendCanvas(x, y, w, h, fromCanvas, x, y, weight);
            }
            u = end;
        }
    }
}

// The flash-safe wipe: the whole old screen fades evenly into the new one over the same 56
// steps, so no part of the screen changes by more than a fiftieth of the way in one step.
void ScreenTransition::drawFade(Canvas* destination) const {
    const Fixed w = px(kTile * kColumns), h = px(kTile * kRows);
    destination->drawCanvas(0, 0, w, h, toCanvas, 0, 0, NO_KEY);
    destination->buffer()[Canvas::kPixelCount - 1] = toCanvas->buffer()[Canvas::kPixelCount - 1];
    destination->blendCanvas(0, 0, w, h, fromCanvas, 0, 0, fadeWeight(step));
}

int ScreenTransition::fadeWeight(int step) {
    return (31 * (kSteps - step) + kSteps / 2) / kSteps;
}
