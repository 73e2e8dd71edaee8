// Builds small canonical WAV files for tests.
#include "tests/support/wav_builder.h"

#include <cstring>
#include <fstream>

namespace testing_support {

std::vector<uint8_t> makeWav(uint32_t samples) {
    std::vector<uint8_t> b(44 + samples, 0x80);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
    };
    auto put16 = [&](size_t at, uint16_t v) {
        b[at] = v & 0xFF;
        b[at + 1] = v >> 8;
    };
    std::memcpy(b.data(), "RIFF", 4);
    put32(4, 36 + samples);
    std::memcpy(b.data() + 8, "WAVEfmt ", 8);
    put32(16, 16);
    put16(20, 1);     // PCM
    put16(22, 1);     // mono
    put32(24, 8000);  // samples per second
    put32(28, 8000);  // bytes per second
    put16(32, 1);
    put16(34, 8);
    std::memcpy(b.data() + 36, "data", 4);
    put32(40, samples);
    return b;
}

void writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

}  // namespace testing_support
