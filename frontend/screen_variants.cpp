// Screen variants: which band of the variants sheet goes over which rows of which picture.
#include "frontend/screen_variants.h"

#include <algorithm>

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/image.h"
#include "platform/edition.h"

namespace {

enum class Audience { Touch, Web };

// Whole rows of the sheet (from sheetY) over the same number of rows of a picture (from y).
struct Band {
    int id;
    Audience audience;
    int sheetY;
    int y;
    int rows;
};

constexpr Band kBands[] = {
    {resource::kTitle, Audience::Touch, 0, 114, 12},      // "TAP"
    {resource::kTitle, Audience::Web, 12, 203, 12},       // the edition
    {resource::kAbout, Audience::Web, 24, 81, 12},        // the edition
    {resource::kStage, Audience::Touch, 36, 184, 12},     // "TAP TO START"
    {resource::kPause, Audience::Touch, 48, 115, 26},     // the buttons to play on and quit
    {resource::kNameEntry, Audience::Touch, 74, 33, 12},  // tap a letter
    {resource::kKeyHelp, Audience::Touch, 86, 22, 140},   // the buttons for each key
};

bool applies(Audience audience) {
    return audience == Audience::Touch ? platform::touchScreen() : platform::webEdition();
}

}  // namespace

void adaptScreen(Image* image, int id) {
    Image* sheet = nullptr;
    for (const Band& band : kBands) {
        if (band.id != id || !applies(band.audience)) continue;
        if (sheet == nullptr) sheet = new Image(instanceHandle, resource::kScreenVariants);
        // A picture or sheet that did not load (or not at its size) keeps what it has.
        if (image->width != sheet->width || band.y + band.rows > image->height ||
            band.sheetY + band.rows > sheet->height)
            continue;
        std::copy_n(sheet->pixels + band.sheetY * sheet->width, band.rows * sheet->width,
                    image->pixels + band.y * image->width);
    }
    delete sheet;
}
