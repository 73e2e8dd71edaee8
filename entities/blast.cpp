// Blast: 32 frames of the shared explosion picture, two updates each, and the blast sound.
#include "entities/blast.h"

#include "globals/globals.h"
#include "globals/presentation.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/looks.h"
#include "sound/sound_clip.h"

namespace {
constexpr Fixed kHalfSize = 0x100000;  // 16 px
constexpr Fixed kSize = 0x200000;      // 32 px
constexpr int32_t kColumns = 8;        // frames per row of the picture
constexpr int32_t kRows = 4;
constexpr int32_t kFramePixels = 32;
constexpr uint32_t kColourKey = 0x000000;
// The flash-safe look lays the explosion over the field at about a third of its strength.
constexpr int kSoftWeight = 10;
}  // namespace

void Blast::trigger() {
    active_ = 1;
    if (effectsAudible() && blastSound != nullptr) blastSound->play();
}

void Blast::update(int32_t) {
    if (active_ == 0) return;
    frameCount_ += 1;  // once per update, whatever the step
    if (frameCount_ >= kUpdates) {
        finished_ = true;
        active_ = 0;
    }
}

void Blast::draw(Canvas* canvas) const {
    if (active_ == 0) return;
    const int32_t f = frameCount_ >> 1;
    if (f / kColumns >= kRows) return;
    if (presentation().flashSafe) {
        looks::blendImage(canvas, wholePixels(x_ - kHalfSize), wholePixels(y_ - kHalfSize),
                          kFramePixels, kFramePixels, explosionImage, f % kColumns * kFramePixels,
                          f / kColumns * kFramePixels, toPixel(kColourKey), kSoftWeight);
        return;
    }
    canvas->drawImage(x_ - kHalfSize, y_ - kHalfSize, kSize, kSize, explosionImage,
                      px(f % kColumns * kFramePixels), px(f / kColumns * kFramePixels), kColourKey);
}
