// Reads the replay runner's PNG frames back as RGB565 pixels, for comparing with artwork.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// The 176 x 220 frame of a PNG written by the replay runner, each channel narrowed back to
// its 5 bits (green into bits 10..6). Empty when the file cannot be read.
std::vector<uint16_t> readFramePng(const std::string& path);

}  // namespace testing_support
