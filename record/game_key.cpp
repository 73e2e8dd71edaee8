// GameKey: the key's bytes.
#include "record/game_key.h"

#include <vector>

#include "record/sha256.h"

std::string GameKey::hex(uint32_t rulesVersion, const std::array<uint8_t, 32>& levelHash) const {
    std::vector<uint8_t> bytes = {'V', '2', 'G', 'K'};
    auto put64 = [&bytes](uint64_t v) {
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<uint8_t>(v >> (8 * i)));
    };
    put64(rulesVersion);
    bytes.insert(bytes.end(), levelHash.begin(), levelHash.end());
    put64(a_);
    put64(b_);
    put64(states_);
    return Sha256::hex(Sha256::of(bytes.data(), bytes.size()));
}
