// SharedImage: a per-class sprite sheet with a live count.
#include "entities/shared_image.h"

#include "globals/globals.h"

void SharedImage::acquire() {
    if (count_ == 0) image_ = new Image(instanceHandle, resourceId_);
    ++count_;
}

void SharedImage::release() {
    --count_;
    if (count_ == 0) {
        delete image_;
        image_ = nullptr;
    }
}
