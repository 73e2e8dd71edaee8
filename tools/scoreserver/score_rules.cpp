// Validation of uploaded names and scores, and the list format the game parses.
#include "tools/scoreserver/score_rules.h"

namespace {

constexpr size_t kMaxScoreDigits = 10;
constexpr uint64_t kMaxScore = 4294967295u;

bool printable(char32_t c) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;  // C0, DEL, C1 controls
    return c != U';' && c != U',';
}

}  // namespace

bool validName(const std::string& utf8) {
    int units = 0;
    size_t i = 0;
    while (i < utf8.size()) {
        const auto b = static_cast<unsigned char>(utf8[i]);
        int extra = 0;
        char32_t c = 0;
        char32_t minimum = 0;
        if (b < 0x80) {
            c = b;
        } else if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1F, minimum = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0F, minimum = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07, minimum = 0x10000;
        } else {
            return false;
        }
        if (i + static_cast<size_t>(extra) >= utf8.size() && extra > 0) return false;  // cut short
        for (int k = 1; k <= extra; ++k) {
            const auto t = static_cast<unsigned char>(utf8[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF) || !printable(c))
            return false;
        units += c >= 0x10000 ? 2 : 1;
        if (units > kMaxNameUnits) return false;
        i += static_cast<size_t>(extra) + 1;
    }
    return units >= 1;
}

std::optional<uint32_t> parseScore(const std::string& text) {
    if (text.empty() || text.size() > kMaxScoreDigits) return std::nullopt;
    uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + static_cast<uint64_t>(c - '0');
    }
    if (value > kMaxScore) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::string formatList(const std::vector<ScoreRecord>& records) {
    std::string out;
    for (const ScoreRecord& record : records) {
        out += ';';
        out += record.name;
        out += ',';
        out += std::to_string(record.score);
    }
    return out;
}
