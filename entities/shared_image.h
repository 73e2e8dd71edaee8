// SharedImage: one sprite sheet shared by every live object of a class, loaded with the first
// and deleted with the last (a live count per class).
#pragma once
#include <cstdint>

#include "graphics/image.h"

class SharedImage {
  public:
    explicit constexpr SharedImage(int resourceId) : resourceId_(resourceId) {}
    SharedImage(const SharedImage&) = delete;
    SharedImage& operator=(const SharedImage&) = delete;

    // Called by each constructor: the first live object loads the sheet.
    void acquire();
    // Called by each destructor: the last live object deletes the sheet.
    void release();

    const Image* image() const { return image_; }
    int32_t count() const { return count_; }

  private:
    int resourceId_;
    Image* image_ = nullptr;
    int32_t count_ = 0;
};
