// Image: bitmap resource -> 24-bit section -> RGB565 pixels, top row first.
#include "graphics/image.h"

#include "graphics/section_pixels.h"
#include "platform/bitmap.h"
#include "platform/message_box.h"

Image::Image(InstanceHandle, int resourceId) {
    platform::Section section;
    if (!platform::loadBitmapResource(resourceId, section)) {
        platform::messageBox("ERROR LOAD RESOURCE", "ERROR");
        return;
    }
    width = section.width;
    height = section.height;
    pixels = sectionToPixels(section, width, height);
}

Image::~Image() {
    delete[] pixels;
}
