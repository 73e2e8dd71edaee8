// Image files the generator writes: uncompressed BMP resources and PNG icons.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "picture.h"

namespace artgen {

// An uncompressed bottom-up BMP. Depth 8 stores a palette of exactly the colours used (the
// picture must hold at most 256); depth 24 stores the colours directly.
// Returns false (with a reason) when an 8-bit picture has too many colours.
bool encodeBmp(const Picture& picture, int depth, std::vector<uint8_t>& out, std::string& error);

// An 8-bit RGB PNG file. False if the file cannot be written.
bool writePng(const Picture& picture, const std::string& path);

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);

}  // namespace artgen
