// Bitmap service: artwork embedded in the executable as BMP files, decoded to 24-bit sections.
#pragma once
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

// Where bitmap resources are loaded from (the artwork is built into the executable, so any
// value will do).
using InstanceHandle = const void*;

namespace platform {

// A 24-bit device-independent section: rows bottom-up, each row `stride` bytes holding
// blue, green, red per pixel; stride is the width rounded up to 4 pixels, times 3.
struct Section {
    int width = 0;
    int height = 0;
    int stride = 0;
    std::vector<uint8_t> bits;
};

// Makes a section of width x height filled with black.
Section makeSection(int width, int height);

// The bytes of an embedded resource (a BMP file), empty when there is none with that id.
std::span<const uint8_t> resourceBytes(int id);

// Lets tools and tests add or replace a resource at run time.
void addResource(int id, std::vector<uint8_t> bmpFile);
// Drops a resource added at run time: the embedded one, if any, is found again.
void removeResource(int id);

// Decodes an uncompressed BMP (8-bit palettised or 24-bit) into a 24-bit section, the one layout
// the pictures are built from whatever the file's depth. False for anything else, or damaged data.
bool decodeBmp(std::span<const uint8_t> file, Section& out);

// resourceBytes + decodeBmp.
bool loadBitmapResource(int id, Section& out);

}  // namespace platform
