// Canvas: the 176 x 220 off-screen frame, laid out like the display's frame buffer, and every
// drawing operation of the game. Coordinates are Fixed; results are 1 (accepted) or 0 (rejected).
#pragma once
#include <cstdint>

#include "graphics/fixed.h"
#include "graphics/image.h"
#include "platform/display.h"

class Image;
class DigitFont;
class TextImage;

constexpr uint32_t NO_KEY = 0xFFFFFFFF;  // no colour is transparent

// The five frame pixels of a cross: at its centre, then right of, left of, below and above it.
struct CrossPixels {
    uint16_t centre, right, left, below, above;
};

class Canvas {
  public:
    static constexpr int kSourceWidth = 176;  // row length of a canvas read as a source
    static constexpr int kSourceHeight = 220;
    static constexpr int kPixelCount = 176 * 220 + 1;  // one spare pixel, as the display has

    Canvas();
    ~Canvas();
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    int drawImage(Fixed dx, Fixed dy, Fixed w, Fixed h, const Image* image, Fixed sx, Fixed sy,
                  uint32_t key);
    int drawCanvas(Fixed dx, Fixed dy, Fixed w, Fixed h, const Canvas* source, Fixed sx, Fixed sy,
                   uint32_t key);
    int copyFrom(const Canvas* source);
    // weight 0..31 applies to the source pixel, 31 - weight to the destination.
    int blendCanvas(Fixed dx, Fixed dy, Fixed w, Fixed h, const Canvas* source, Fixed sx, Fixed sy,
                    int weight);
    int drawNumber(Fixed x, Fixed y, const DigitFont* font, uint32_t key);
    int drawText(Fixed x, Fixed y, const TextImage* text);
    // Inline: sparks write thousands of single pixels a frame.
    int setPixel(Fixed x, Fixed y, uint32_t colour) { return putPixel(x, y, toPixel(colour)); }

    // Five pixels in a cross centred on (x, y); as five setPixel calls in the order of
    // CrossPixels, but with one bounds check when the whole cross is inside.
    void setCross(Fixed x, Fixed y, CrossPixels cross) {
        const int ix = wholePixels(x), iy = wholePixels(y);
        if (ix >= 1 && iy >= 1 && ix < static_cast<int>(properties_.width) - 1 &&
            iy < static_cast<int>(properties_.height) - 1) {
            uint16_t* centre = pixels_ + ix * xStep_ + iy * yStep_;
            centre[0] = cross.centre;
            centre[xStep_] = cross.right;
            centre[-xStep_] = cross.left;
            centre[yStep_] = cross.below;
            centre[-yStep_] = cross.above;
            return;
        }
        setClippedCross(x, y, cross);
    }

    uint16_t* buffer() { return pixels_; }
    const uint16_t* buffer() const { return pixels_; }
    uint32_t width() const { return properties_.width; }
    uint32_t height() const { return properties_.height; }
    // The pixel at (x, y) in whole pixels (for tests and tools).
    uint16_t pixelAt(int x, int y) const { return pixels_[x * xStep_ + y * yStep_]; }
    // Sets the pixel at (x, y) in whole pixels, inside the frame (the looks' pixel passes).
    void setPixelAt(int x, int y, uint16_t pixel) { pixels_[x * xStep_ + y * yStep_] = pixel; }
    // How far apart in buffer() neighbouring pixels of a row and of a column lie.
    int32_t xStep() const { return xStep_; }
    int32_t yStep() const { return yStep_; }

  private:
    // setPixel with the colour already a frame pixel.
    int putPixel(Fixed x, Fixed y, uint16_t pixel) {
        const int ix = wholePixels(x), iy = wholePixels(y);
        if (ix < 0 || iy < 0 || ix >= static_cast<int>(properties_.width) ||
            iy >= static_cast<int>(properties_.height))
            return 0;
        pixels_[ix * xStep_ + iy * yStep_] = pixel;
        return 1;
    }

    // setCross for a cross that reaches an edge or beyond: pixel by pixel.
    void setClippedCross(Fixed x, Fixed y, CrossPixels cross);

    // A source rectangle after the checks and clipping shared by every copy operation.
    struct Run {
        int dx, dy, w, h, sx, sy;
    };
    // Applies the size default, rejection and clipping rules; false when rejected (result 0).
    // `visible` is false when nothing remains to draw (result 1).
    static bool clip(Run& run, int sourceWidth, int sourceHeight, int limitWidth, int limitHeight,
                     bool& visible);
    template <typename PixelOp>
    int copyRect(Fixed dx, Fixed dy, Fixed w, Fixed h, const uint16_t* source, int sourceWidth,
                 int sourceHeight, int sourceStride, int limitWidth, int limitHeight, Fixed sx,
                 Fixed sy, PixelOp op);

    uint16_t* pixels_;
    platform::DisplayProperties properties_;
    int32_t xStep_;
    int32_t yStep_;
};
