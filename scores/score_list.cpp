// The score list parser and the UTF-8 forms of names.
#include "scores/score_list.h"

#include "platform/common/utf8.h"
#include "scores/score_entry.h"

namespace {

constexpr char16_t kReplacementChar = 0xFFFD;
constexpr size_t kMaxNameUnits = ScoreEntry::kNameUnits - 1;

void appendUtf8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out.push_back(static_cast<char>(c));
    } else if (c < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (c >> 6)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else if (c < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (c >> 12)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (c >> 18)));
        out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
    }
}

bool isSpace(char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The decimal number at `at`: optional leading white space and sign, then digits up to the
// first non-digit. Values past the unsigned 32-bit range stay at its top; a negative number
// counts as 0.
uint32_t readScore(std::string_view text, size_t at) {
    while (at < text.size() && isSpace(text[at])) ++at;
    bool negative = false;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) negative = text[at++] == '-';
    uint64_t value = 0;
    while (at < text.size() && text[at] >= '0' && text[at] <= '9') {
        value = value * 10 + static_cast<uint64_t>(text[at++] - '0');
        if (value > UINT32_MAX) value = UINT32_MAX + uint64_t{1};
    }
    if (negative) return 0;
    return value > UINT32_MAX ? UINT32_MAX : static_cast<uint32_t>(value);
}

}  // namespace

ScoreList parseScoreList(std::string_view reply, size_t maxRecords) {
    ScoreList list;
    size_t p = 0;
    for (;;) {
        const size_t k = reply.find(';', p);
        list.stoppedAt = k == std::string_view::npos ? reply.size() : k;
        if (k == std::string_view::npos || list.records.size() >= maxRecords) break;
        const size_t m = reply.find(',', k);
        if (m == std::string_view::npos) break;
        std::u16string name = nameFromUtf8(reply.substr(k + 1, m - k - 1));
        // Up to 8 characters fit the table; a longer name ends the list here.
        if (name.size() > kMaxNameUnits) break;
        list.records.push_back({std::move(name), readScore(reply, m + 1)});
        p = m;
    }
    return list;
}

std::string nameToUtf8(const char16_t* name, size_t units) {
    std::string out;
    for (size_t i = 0; i < units && name[i] != 0; ++i) {
        const char16_t u = name[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units && name[i + 1] >= 0xDC00 &&
            name[i + 1] <= 0xDFFF) {
            appendUtf8(out, 0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                                (name[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            appendUtf8(out, kReplacementChar);
        } else {
            appendUtf8(out, u);
        }
    }
    return out;
}

std::u16string nameFromUtf8(std::string_view bytes) {
    std::u16string out;
    for (size_t i = 0; i < bytes.size();) {
        char32_t c = 0;
        const size_t length = platform::decodeUtf8(bytes, i, c);
        if (length == 0) {
            out.push_back(kReplacementChar);
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            out.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
            out.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
        } else {
            out.push_back(static_cast<char16_t>(c));
        }
        i += length;
    }
    return out;
}
