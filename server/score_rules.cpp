// Validation of uploaded names and scores, and the list format the game parses.
#include "server/score_rules.h"

#include <unicode/uchar.h>

#include "platform/common/utf8.h"

namespace {

constexpr size_t kMaxScoreDigits = 10;
constexpr uint64_t kMaxScore = 4294967295u;
constexpr size_t kMaxUploadIdLength = 64;

// Refused by Unicode's own tables: controls, format characters (zero-width ones, the overrides
// that turn the rest of a line around), private-use and unassigned code points, and line and
// paragraph separators. A name in the list shows only what it is.
bool printable(char32_t c) {
    if (c == U';' || c == U',') return false;
    switch (u_charType(static_cast<UChar32>(c))) {
        case U_CONTROL_CHAR:
        case U_FORMAT_CHAR:
        case U_PRIVATE_USE_CHAR:
        case U_UNASSIGNED:
        case U_SURROGATE:
        case U_LINE_SEPARATOR:
        case U_PARAGRAPH_SEPARATOR:
            return false;
        default:
            return true;
    }
}

}  // namespace

bool validName(const std::string& utf8) {
    int units = 0;
    bool visible = false;  // a name of spaces alone would be a blank line in the list
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const size_t length = platform::decodeUtf8(utf8, i, c);
        if (length == 0 || !printable(c)) return false;
        units += c >= 0x10000 ? 2 : 1;
        if (units > kMaxNameUnits) return false;
        visible = visible || !u_isUWhiteSpace(static_cast<UChar32>(c));
        i += length;
    }
    return visible;
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

bool validUploadId(const std::string& text) {
    if (text.empty() || text.size() > kMaxUploadIdLength) return false;
    for (char c : text) {
        const bool ok = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') ||
                        (c >= 'a' && c <= 'z') || c == '_' || c == '-';
        if (!ok) return false;
    }
    return true;
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

bool validProofId(const std::string& text) {
    return text.size() == 64 && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

ScoreRequest decideScoreRequest(bool hasQuery,
                                const std::multimap<std::string, std::string>& params) {
    ScoreRequest request;
    if (!hasQuery) {
        request.kind = ScoreRequest::Kind::List;
        return request;
    }
    const size_t sets = params.count("set");
    if (sets > 1 || (sets == 1 && !validProofId(params.find("set")->second))) {
        request.reason = "bad level set";
        return request;
    }
    if (sets == 1) request.set = params.find("set")->second;
    if (sets == 1 && params.size() == 1) {
        request.kind = ScoreRequest::Kind::List;
        return request;
    }
    const size_t ids = params.count("myid");
    const size_t proofs = params.count("myproof");
    if (params.size() != 2 + ids + proofs + sets || ids > 1 || proofs > 1 ||
        params.count("myname") != 1 || params.count("myscore") != 1) {
        request.reason = "expected myname and myscore";
        return request;
    }
    const std::string& name = params.find("myname")->second;
    const std::optional<uint32_t> score = parseScore(params.find("myscore")->second);
    if (!validName(name)) {
        request.reason = "bad name";
    } else if (!score) {
        request.reason = "bad score";
    } else if (ids == 1 && !validUploadId(params.find("myid")->second)) {
        request.reason = "bad id";
    } else if (proofs == 1 && !validProofId(params.find("myproof")->second)) {
        request.reason = "bad proof id";
    } else {
        request.kind = ScoreRequest::Kind::Upload;
        request.name = name;
        request.score = *score;
        if (ids == 1) request.uploadId = params.find("myid")->second;
        if (proofs == 1) request.proofId = params.find("myproof")->second;
    }
    return request;
}
