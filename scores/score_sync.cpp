// ScoreTable::synchronize: uploads the pending scores to the score server and takes its list.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/common/utf8.h"
#include "platform/http.h"
#include "scores/score_table.h"

namespace {

constexpr const char* kAgent = "VextorHttp";
constexpr const char* kHostVariable = "VEXTORIUM2_SCORE_HOST";
constexpr const char* kDefaultHost = "127.0.0.1:8642";
constexpr const char* kScriptPath = "/Vextorium2/updateScore.php";
constexpr size_t kMaxReply = 8191;  // bytes of the list that are used
constexpr long kFirstSuccess = 200;
constexpr long kLastSuccess = 299;
constexpr char16_t kReplacementChar = 0xFFFD;

// host or host:port; anything that could reach past the host part of a URL (a slash, an
// at sign, a query) is refused and the default host is used.
std::string scoreHost() {
    const char* value = std::getenv(kHostVariable);
    if (value == nullptr || *value == '\0') return kDefaultHost;
    const std::string host = value;
    for (char c : host) {
        const bool allowed = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                             (c >= '0' && c <= '9') || c == '.' || c == '-' || c == ':' ||
                             c == '[' || c == ']';
        if (!allowed) return kDefaultHost;
    }
    return host;
}

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

// A stored name as UTF-8; half of a surrogate pair becomes U+FFFD.
std::string toUtf8(const char16_t* name, int units) {
    std::string out;
    for (int i = 0; i < units && name[i] != 0; ++i) {
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

// Everything but the unreserved characters as %XX, so no name can change the query's shape.
std::string percentEncode(const std::string& text) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : text) {
        const bool unreserved = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                                (c >= '0' && c <= '9') || c == '-' || c == '.' || c == '_' ||
                                c == '~';
        if (unreserved) {
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back('%');
            out.push_back(kHex[c >> 4]);
            out.push_back(kHex[c & 0xF]);
        }
    }
    return out;
}

// UTF-8 to UTF-16; every byte that does not begin a well-formed sequence becomes U+FFFD
// (overlong forms, surrogates and values past U+10FFFF included).
std::u16string fromUtf8(const std::string& bytes) {
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

// The decimal number at `at`: optional leading white space and sign, then digits up to the
// first non-digit. Values past the unsigned 32-bit range stay at its top; a negative number
// counts as 0.
uint32_t readScore(const std::string& text, size_t at) {
    while (at < text.size() && (text[at] == ' ' || (text[at] >= '\t' && text[at] <= '\r'))) ++at;
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

struct Unanswered {
    int index;  // where it stood before the download
    std::u16string name;
    uint32_t score;
    bool listed;  // the downloaded list holds it
};

}  // namespace

void ScoreTable::synchronize() {
    platform::HttpSession* session = platform::httpOpen(kAgent);
    if (session == nullptr) return;
    const std::string base = "http://" + scoreHost() + kScriptPath;

    // Upload every pending entry. One the server answered with success is known to it and no
    // longer pending, so a list too short to replace it does not make it go up again; one it
    // did not answer is remembered.
    std::vector<Unanswered> unanswered;
    for (int i = 0; i < kEntryCount; ++i) {
        ScoreEntry& entry = *entries[i];
        if (entry.pending == 0) continue;
        const std::string url =
            base + "?myname=" + percentEncode(toUtf8(entry.name, ScoreEntry::kNameUnits)) +
            "&myscore=" + std::to_string(entry.score);
        platform::HttpRequest* request = platform::httpOpenUrl(session, url);
        const long status = platform::httpStatus(request);
        if (request != nullptr) platform::httpCloseRequest(request);
        if (request != nullptr && status >= kFirstSuccess && status <= kLastSuccess) {
            entry.pending = 0;
        } else {
            unanswered.push_back({i, std::u16string(entry.name), entry.score, false});
        }
    }

    // Download the server's list; its records replace the table from the top in their order.
    // An answer other than success carries no list, whatever its body holds.
    int replaced = 0;
    platform::HttpRequest* download = platform::httpOpenUrl(session, base);
    const long downloadStatus = platform::httpStatus(download);
    if (download != nullptr && (downloadStatus < kFirstSuccess || downloadStatus > kLastSuccess)) {
        platform::httpCloseRequest(download);
        download = nullptr;
    }
    if (platform::HttpRequest* request = download) {
        std::string reply(kMaxReply, '\0');
        size_t got = 0;
        while (got < kMaxReply) {
            const size_t n = platform::httpRead(request, reply.data() + got, kMaxReply - got);
            if (n == 0) break;
            got += n;
        }
        reply.resize(got);
        platform::httpCloseRequest(request);

        size_t p = 0;
        while (replaced < kEntryCount) {
            const size_t k = reply.find(';', p);
            if (k == std::string::npos) break;
            const size_t m = reply.find(',', k);
            if (m == std::string::npos) break;
            const std::u16string name = fromUtf8(reply.substr(k + 1, m - k - 1));
            // Up to 8 characters fit the table; a longer name ends the list here.
            if (name.size() > static_cast<size_t>(kMaxNameLength)) break;
            ScoreEntry& entry = *entries[replaced];
            for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
                entry.name[u] = static_cast<size_t>(u) < name.size() ? name[u] : 0;
            entry.score = readScore(reply, m + 1);
            entry.pending = 0;
            p = m;
            ++replaced;
        }
    }

    // An unanswered score that the new list holds with the same name was recorded all the
    // same (only the answer was lost): it is no longer pending.
    for (Unanswered& score : unanswered) {
        for (int j = 0; j < replaced && !score.listed; ++j)
            score.listed =
                entries[j]->score == score.score && std::u16string(entries[j]->name) == score.name;
        if (score.listed && score.index >= replaced) entries[score.index]->pending = 0;
    }
    // Any other is not lost with an entry the list replaced: it enters the new table again as
    // insert places it, still pending.
    bool reinserted = false;
    for (const Unanswered& score : unanswered)
        if (!score.listed && score.index < replaced && placeEntry(score.name, score.score) >= 0)
            reinserted = true;

    if (replaced > 0 || reinserted) buildTexts();
    platform::httpClose(session);
}
