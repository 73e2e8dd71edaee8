// Canvas: copying, keying, blending, numbers, text and single pixels into the frame.
#include "graphics/canvas.h"

#include <algorithm>
#include <cstring>

#include "graphics/digit_font.h"
#include "graphics/image.h"
#include "graphics/text_image.h"

namespace {
// The three 5-bit channels spread apart in 32 bits (green moved up by 16), so one multiply
// weighs all three: (weight * S + (31 - weight) * D) >> 5 per channel, exactly.
constexpr uint32_t kSpread = 0x07C0F81F;
inline uint32_t spread(uint16_t p) {
    return (p | (static_cast<uint32_t>(p) << 16)) & kSpread;
}
inline uint16_t blendPixel(uint16_t s, uint16_t d, uint32_t weight) {
    const uint32_t mixed = ((spread(s) * weight + spread(d) * (31 - weight)) >> 5) & kSpread;
    return static_cast<uint16_t>(mixed | (mixed >> 16));
}
}  // namespace

Canvas::Canvas() : pixels_(new uint16_t[kPixelCount]), properties_(platform::displayProperties()) {
    std::memset(pixels_, 0, kPixelCount * sizeof(uint16_t));
    xStep_ = properties_.xPitch / 2;
    yStep_ = properties_.yPitch / 2;
}

Canvas::~Canvas() {
    delete[] pixels_;
}

inline bool Canvas::clip(Run& r, int sourceWidth, int sourceHeight, int limitWidth, int limitHeight,
                         bool& visible) {
    visible = false;
    if (r.w == 0 || r.h == 0) {
        r.w = sourceWidth;
        r.h = sourceHeight;
    }
    if (r.w <= 0 || r.h <= 0 || r.sx < 0 || r.sy < 0 || r.sx + r.w > sourceWidth ||
        r.sy + r.h > sourceHeight)
        return false;
    if (r.dx > limitWidth || r.dy > limitHeight) return true;
    if (r.dx < 0) {
        r.w += r.dx;
        r.sx -= r.dx;
        r.dx = 0;
    }
    if (r.dy < 0) {
        r.h += r.dy;
        r.sy -= r.dy;
        r.dy = 0;
    }
    r.w = std::min(r.w, limitWidth - r.dx);
    r.h = std::min(r.h, limitHeight - r.dy);
    visible = r.w > 0 && r.h > 0;
    return true;
}

template <typename PixelOp>
int Canvas::copyRect(Fixed dx, Fixed dy, Fixed w, Fixed h, const uint16_t* source, int sourceWidth,
                     int sourceHeight, int sourceStride, int limitWidth, int limitHeight, Fixed sx,
                     Fixed sy, PixelOp op) {
    Run r{wholePixels(dx), wholePixels(dy), wholePixels(w),
          wholePixels(h),  wholePixels(sx), wholePixels(sy)};
    bool visible;
    if (!clip(r, sourceWidth, sourceHeight, limitWidth, limitHeight, visible)) return 0;
    if (!visible) return 1;
    op.rect(pixels_ + r.dx * xStep_ + r.dy * yStep_, yStep_,
            source + static_cast<size_t>(r.sy) * sourceStride + r.sx, sourceStride, r.w, r.h);
    return 1;
}

namespace {
// Rectangle operations for copyRect: plain, keyed and blended. Each takes the first pixel and
// the row stride of both sides; rows of the frame are xStep apart pixel to pixel.
struct CopyRow {
    int32_t xStep;
    void rect(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
              int h) const {
        const size_t rowBytes = static_cast<size_t>(w) * sizeof(uint16_t);
        if (xStep == 1 && w == dstStride && w == srcStride) {
            // Whole rows on both sides (a background, the status bar): one block.
            std::memcpy(dst, src, rowBytes * h);
        } else if (xStep == 1 && w == kBrickWidth) {
            // A brick: the size known here lets each row be a few register moves.
            for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride)
                std::memcpy(dst, src, kBrickWidth * sizeof(uint16_t));
        } else if (xStep == 1) {
            for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride)
                std::memcpy(dst, src, rowBytes);
        } else {
            for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride)
                for (int c = 0; c < w; ++c) dst[c * xStep] = src[c];
        }
    }
    static constexpr int kBrickWidth = 16;
};
// The two loops most of a frame's time goes into, for frame rows one pixel apart. On x86-64
// each is built twice, for any processor and for one with AVX2 (twice the pixels per
// instruction), and the loader picks one; integer arithmetic only, so both give the same pixels.
#if defined(__x86_64__) && defined(__linux__)
#define WIDE_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define WIDE_VECTOR_CLONES
#endif

// Runs of 8 and 16 pixels as vectors (the compiler splits one where the processor's vectors
// are shorter).
typedef uint16_t Run8 __attribute__((vector_size(16)));
typedef uint16_t Run16 __attribute__((vector_size(32)));

// Keys a run of source pixels over the destination's: the destination's stay where the
// source has the key colour. (By reference: vectors passed by value would change the
// functions' calling convention between the two builds.)
template <typename Run>
inline void keyRun(Run& to, const Run& from, const Run& key) {
    const Run keep = reinterpret_cast<Run>(from == key);  // all ones where keyed
    to = (to & keep) | (from & ~keep);
}
// A row of at least sizeof(Run) / 2 pixels in whole runs, the last run ending at the row's
// end and so overlapping the one before it when the width is no multiple of a run. That is
// exact: a keyed pixel depends only on the source and on the destination before the draw, so
// the last run is read before anything is written (read afterwards, it would also wait for
// the overlapping write to finish) and writes what the run before wrote where they overlap.
template <typename Run>
inline void keyedRow(uint16_t* dst, const uint16_t* src, int w, uint16_t key) {
    constexpr int n = sizeof(Run) / sizeof(uint16_t);
    const Run keys = Run{} + key;
    Run lastFrom, lastTo, from, to;
    std::memcpy(&lastFrom, src + w - n, sizeof(Run));
    std::memcpy(&lastTo, dst + w - n, sizeof(Run));
    for (int c = 0; c + n < w; c += n) {
        std::memcpy(&from, src + c, sizeof(Run));
        std::memcpy(&to, dst + c, sizeof(Run));
        keyRun(to, from, keys);
        std::memcpy(dst + c, &to, sizeof(Run));
    }
    keyRun(lastTo, lastFrom, keys);
    std::memcpy(dst + w - n, &lastTo, sizeof(Run));
}

// Source and destination must not overlap.
WIDE_VECTOR_CLONES
void keyedRows(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
               int h, uint16_t key) {
    for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride) {
        if (w >= 16) {
            keyedRow<Run16>(dst, src, w, key);
        } else if (w >= 8) {
            keyedRow<Run8>(dst, src, w, key);
        } else {
            for (int c = 0; c < w; ++c) {
                if (src[c] != key) dst[c] = src[c];
            }
        }
    }
}

// Blends a run of 8 source pixels over 8 destination pixels into `out`, lane by lane as
// blendPixel does (the same spread channels and one multiply per side, in 32-bit lanes).
inline void blendRun(Run8& out, const Run8& from, const Run8& to, uint32_t weight) {
    typedef uint32_t Wide8 __attribute__((vector_size(32)));
    const Wide8 s = __builtin_convertvector(from, Wide8), d = __builtin_convertvector(to, Wide8);
    const Wide8 spreadS = (s | (s << 16)) & kSpread, spreadD = (d | (d << 16)) & kSpread;
    const Wide8 mixed = ((spreadS * weight + spreadD * (31 - weight)) >> 5) & kSpread;
    out = __builtin_convertvector(mixed | (mixed >> 16), Run8);  // the low 16 bits
}

// Source and destination must not overlap.
WIDE_VECTOR_CLONES
void blendRows(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
               int h, uint32_t weight) {
    for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride) {
        if (w < 8) {
            for (int c = 0; c < w; ++c) dst[c] = blendPixel(src[c], dst[c], weight);
            continue;
        }
        // In runs of 8, the last one ending at the row's end, read before anything is
        // written and overlapping the one before: a blended pixel depends only on the source
        // and on the destination before the draw, so it is written the same both times.
        Run8 lastFrom, lastTo, from, to, out;
        std::memcpy(&lastFrom, src + w - 8, sizeof(Run8));
        std::memcpy(&lastTo, dst + w - 8, sizeof(Run8));
        for (int c = 0; c + 8 < w; c += 8) {
            std::memcpy(&from, src + c, sizeof(Run8));
            std::memcpy(&to, dst + c, sizeof(Run8));
            blendRun(out, from, to, weight);
            std::memcpy(dst + c, &out, sizeof(Run8));
        }
        blendRun(out, lastFrom, lastTo, weight);
        std::memcpy(dst + w - 8, &out, sizeof(Run8));
    }
}

struct KeyedRow {
    int32_t xStep;
    uint16_t key;
    bool overlapping = false;  // a canvas drawn into itself: pixel by pixel, in order
    void rect(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
              int h) const {
        if (xStep == 1 && !overlapping) {
            keyedRows(dst, dstStride, src, srcStride, w, h, key);
            return;
        }
        for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride) {
            for (int c = 0; c < w; ++c) {
                if (src[c] != key) dst[c * xStep] = src[c];
            }
        }
    }
};
struct BlendRow {
    int32_t xStep;
    uint32_t weight;
    bool overlapping = false;  // a canvas blended into itself: pixel by pixel, in order
    void rect(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
              int h) const {
        if (xStep == 1 && !overlapping) {
            blendRows(dst, dstStride, src, srcStride, w, h, weight);
            return;
        }
        for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride) {
            for (int c = 0; c < w; ++c) dst[c * xStep] = blendPixel(src[c], dst[c * xStep], weight);
        }
    }
};
struct TextRow {
    int32_t xStep;
    uint16_t ink;
    void rect(uint16_t* dst, int32_t dstStride, const uint16_t* src, int32_t srcStride, int w,
              int h) const {
        for (int row = 0; row < h; ++row, dst += dstStride, src += srcStride) {
            for (int c = 0; c < w; ++c) {
                if (src[c] == ink) dst[c * xStep] = src[c];
            }
        }
    }
};
}  // namespace

int Canvas::drawImage(Fixed dx, Fixed dy, Fixed w, Fixed h, const Image* image, Fixed sx, Fixed sy,
                      uint32_t key) {
    if (image == nullptr || image->pixels == nullptr) return 0;
    const int lw = static_cast<int>(properties_.width), lh = static_cast<int>(properties_.height);
    if (key == NO_KEY && xStep_ == 1) {
        // The usual opaque draw (a brick, a background): a rectangle wholly inside both the
        // picture and the frame needs no clipping, so its rows are copied straight away.
        const Run r{wholePixels(dx), wholePixels(dy), wholePixels(w),
                    wholePixels(h),  wholePixels(sx), wholePixels(sy)};
        if (r.w > 0 && r.h > 0 && r.dx >= 0 && r.dy >= 0 && r.sx >= 0 && r.sy >= 0 &&
            r.dx + r.w <= lw && r.dy + r.h <= lh && r.sx + r.w <= image->width &&
            r.sy + r.h <= image->height) {
            CopyRow{1}.rect(pixels_ + r.dx + r.dy * yStep_, yStep_,
                            image->pixels + static_cast<size_t>(r.sy) * image->width + r.sx,
                            image->width, r.w, r.h);
            return 1;
        }
    }
    if (key == NO_KEY)
        return copyRect(dx, dy, w, h, image->pixels, image->width, image->height, image->width, lw,
                        lh, sx, sy, CopyRow{xStep_});
    return copyRect(dx, dy, w, h, image->pixels, image->width, image->height, image->width, lw, lh,
                    sx, sy, KeyedRow{xStep_, toPixel(key)});
}

int Canvas::drawCanvas(Fixed dx, Fixed dy, Fixed w, Fixed h, const Canvas* source, Fixed sx,
                       Fixed sy, uint32_t key) {
    if (source == nullptr || source->pixels_ == nullptr) return 0;
    if (key == NO_KEY)
        return copyRect(dx, dy, w, h, source->pixels_, kSourceWidth, kSourceHeight, kSourceWidth,
                        kSourceWidth, kSourceHeight, sx, sy, CopyRow{xStep_});
    return copyRect(dx, dy, w, h, source->pixels_, kSourceWidth, kSourceHeight, kSourceWidth,
                    kSourceWidth, kSourceHeight, sx, sy,
                    KeyedRow{xStep_, toPixel(key), source == this});
}

int Canvas::copyFrom(const Canvas* source) {
    if (source == nullptr || source->pixels_ == nullptr) return 0;
    std::memcpy(pixels_, source->pixels_, kPixelCount * sizeof(uint16_t));
    return 1;
}

int Canvas::blendCanvas(Fixed dx, Fixed dy, Fixed w, Fixed h, const Canvas* source, Fixed sx,
                        Fixed sy, int weight) {
    // A weight outside 0..31 would carry one channel into the next: rejected.
    if (source == nullptr || source->pixels_ == nullptr || weight < 0 || weight > 31) return 0;
    return copyRect(dx, dy, w, h, source->pixels_, kSourceWidth, kSourceHeight, kSourceWidth,
                    kSourceWidth, kSourceHeight, sx, sy,
                    BlendRow{xStep_, static_cast<uint32_t>(weight), source == this});
}

void Canvas::setClippedCross(Fixed x, Fixed y, CrossPixels cross) {
    putPixel(x, y, cross.centre);
    putPixel(x + px(1), y, cross.right);
    putPixel(x - px(1), y, cross.left);
    putPixel(x, y + px(1), cross.below);
    putPixel(x, y - px(1), cross.above);
}

int Canvas::drawNumber(Fixed x, Fixed y, const DigitFont* font, uint32_t key) {
    if (font == nullptr) return 0;
    for (int i = 0; i < font->glyphCount; ++i) {
        drawImage(x + px(i * font->glyphWidth), y, px(font->glyphWidth), px(font->glyphHeight),
                  font->image, px(font->glyphs[i] * font->glyphWidth), 0, key);
    }
    return 1;
}

int Canvas::drawText(Fixed x, Fixed y, const TextImage* text) {
    if (text == nullptr || text->pixels == nullptr || text->width <= 0 || text->height <= 0)
        return 0;
    const int lw = static_cast<int>(properties_.width), lh = static_cast<int>(properties_.height);
    return copyRect(x, y, px(text->width), px(text->height), text->pixels, text->width,
                    text->height, text->width, lw, lh, 0, 0,
                    TextRow{xStep_, toPixel(text->colour)});
}
