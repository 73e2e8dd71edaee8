// Counts flashes in a run of frames, as the general-flash rule defines them: a flash is a pair
// of opposing changes in relative luminance of 0.1 or more where the darker state is below
// 0.80; a general flash is one over at least a quarter of the screen; no more than three are
// allowed in any one second.
//
// Each pixel is followed on its own. Its luminance is tracked from its last turn: a change of
// 0.1 or more against the direction it last moved (with the darker side below 0.80) is a turn,
// stamped with the frame's time; a slow fade counts as much as a cut, as it should. In every
// one-second window a pixel has flashed once for each two turns. The window's general flashes
// are the most flashes that at least a quarter of the pixels each reached in it (the area need
// not be in one piece, which can only count more than the rule does).
#pragma once
#include <cstdint>
#include <vector>

namespace testing_support {

struct FlashFigures {
    int generalPerSecond = 0;   // the most general flashes in any one second
    int mostAtOnePixel = 0;     // the most flashes any one pixel made in any one second
    double shareOverThree = 0;  // the largest share of the screen flashing more than three
                                // times in one second
    uint32_t frames = 0;        // frames taken (a repeated frame counts)
};

class FlashCounter {
  public:
    static constexpr int kWidth = 176, kHeight = 220;

    // The next frame (RGB565, green in bits 10..6, row by row) at `ms`, later than the last.
    void add(uint32_t ms, const std::vector<uint16_t>& frame);
    FlashFigures figures() const;

  private:
    struct Pixel {
        float extreme = 0;        // the brightest or darkest since the last turn
        int8_t direction = 0;     // +1 after a rise, -1 after a fall, 0 before the first turn
        float low = 0, high = 0;  // before the first turn: the range so far
    };
    std::vector<Pixel> pixels_;
    std::vector<std::vector<uint32_t>> turns_;  // per pixel, the times of its turns
    uint32_t frames_ = 0;
    uint32_t lastMs_ = 0;
};

// Relative luminance (0..1) of an RGB565 pixel, each channel widened as the runner's PNGs do.
float relativeLuminance(uint16_t pixel);

}  // namespace testing_support
