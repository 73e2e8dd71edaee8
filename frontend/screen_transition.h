// ScreenTransition: the 56-step slanted wipe from a stored old screen to a stored new one.
#pragma once
#include <cstdint>

class Canvas;

class ScreenTransition {
  public:
    static constexpr int kSteps = 56;
    static constexpr int kTile = 11;  // 16 x 20 tiles of 11 x 11 pixels
    static constexpr int kColumns = 16;
    static constexpr int kRows = 20;

    ScreenTransition();
    ~ScreenTransition();
    ScreenTransition(const ScreenTransition&) = delete;
    ScreenTransition& operator=(const ScreenTransition&) = delete;

    // One step; true (and step back to 0) when the wipe has finished.
    bool advance();
    void draw(Canvas* destination) const;

    // The old screen's weight for a tile at front distance d (-4..5), 0 outside the band.
    static int weightAt(int d);
    // The flash-safe look's even fade: the old screen's weight (31 down to 1) at a step.
    static int fadeWeight(int step);

    Canvas* fromCanvas = nullptr;
    Canvas* toCanvas = nullptr;
    int32_t step = 0;
    uint32_t target = 1;  // MENU

  private:
    static constexpr int kOldScreen = 32;  // a tile ahead of the band: copied unchanged
    int tileWeight(int u, int v) const;
    void drawFade(Canvas* destination) const;
};
