// Builds small canonical WAV files for tests.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// 8 kHz, 8-bit mono: `samples` bytes of silence last samples / 8 ms.
std::vector<uint8_t> makeWav(uint32_t samples);
void writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
// The whole file, or nothing when it cannot be read.
std::vector<uint8_t> readFile(const std::string& path);

}  // namespace testing_support
