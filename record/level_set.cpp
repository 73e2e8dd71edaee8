// The level set's checks and its id.
#include "record/level_set.h"

#include "platform/little_endian.h"
#include "record/sha256.h"

namespace level_set {

namespace {
constexpr int32_t kStone = 1;
constexpr int32_t kStable = 5;
constexpr int32_t kFire = 6;
constexpr int32_t kHide = 4;

std::string grouped(size_t n) {
    std::string digits = std::to_string(n);
    for (size_t at = digits.size(); at > 3; at -= 3) digits.insert(at - 3, ",");
    return digits;
}
}  // namespace

bool knownCell(int32_t code) {
    if (code == 0) return true;
    if (code < 10) return false;  // a negative code, or a colour on an empty cell
    const int32_t kind = code / 10;
    const int32_t colour = code % 10;
    if (kind < kStone || kind > kFire) return false;
    return kind < kHide || colour <= 2;
}

std::string check(const std::vector<uint8_t>& bytes) {
    if (bytes.size() != kFileBytes)
        return "a level file holds " + grouped(kFileBytes) + " bytes, this one " +
               grouped(bytes.size());
    for (int level = 0; level < kLevels; ++level) {
        bool breakable = false;
        for (int row = 0; row < kRows; ++row) {
            for (int column = 0; column < kColumns; ++column) {
                const size_t at =
                    4 * static_cast<size_t>((level * kRows + row) * kColumns + column);
                const auto code = static_cast<int32_t>(le::read32(bytes.data() + at));
                if (!knownCell(code))
                    return "level " + std::to_string(level + 1) + ", row " +
                           std::to_string(row + 1) + ", column " + std::to_string(column + 1) +
                           ": " + std::to_string(code) + " is no brick the game knows";
                if (code != 0 && code / 10 != kStable) breakable = true;
            }
        }
        if (!breakable)
            return "level " + std::to_string(level + 1) +
                   " has no brick to break (stable bricks do not count)";
    }
    return {};
}

std::string idOf(const std::vector<uint8_t>& bytes) {
    return Sha256::hex(Sha256::of(bytes.data(), bytes.size()));
}

bool validId(const std::string& id) {
    if (id.size() != 64) return false;
    for (char c : id)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

}  // namespace level_set
