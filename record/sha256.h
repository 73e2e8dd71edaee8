// Sha256: the SHA-256 digest, for a record's identity and the level file's.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

class Sha256 {
  public:
    using Digest = std::array<uint8_t, 32>;

    void add(const uint8_t* data, size_t size);
    Digest finish();

    static Digest of(const uint8_t* data, size_t size);
    // Lowercase hex, 64 characters.
    static std::string hex(const Digest& digest);

  private:
    void block(const uint8_t* data);

    uint32_t h_[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                      0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    uint8_t pending_[64] = {};
    size_t pendingSize_ = 0;
    uint64_t totalBytes_ = 0;
};
