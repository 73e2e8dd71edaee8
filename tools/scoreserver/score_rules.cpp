// Validation of uploaded names and scores, and the list format the game parses.
#include "tools/scoreserver/score_rules.h"

#include "platform/common/utf8.h"

namespace {

constexpr size_t kMaxScoreDigits = 10;
constexpr uint64_t kMaxScore = 4294967295u;
constexpr size_t kMaxUploadIdLength = 64;

bool printable(char32_t c) {
    if (c < 0x20 || c == 0x7F || (c >= 0x80 && c < 0xA0)) return false;  // C0, DEL, C1 controls
    return c != U';' && c != U',';
}

}  // namespace

bool validName(const std::string& utf8) {
    int units = 0;
    for (size_t i = 0; i < utf8.size();) {
        char32_t c = 0;
        const size_t length = platform::decodeUtf8(utf8, i, c);
        if (length == 0 || !printable(c)) return false;
        units += c >= 0x10000 ? 2 : 1;
        if (units > kMaxNameUnits) return false;
        i += length;
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

ScoreRequest decideScoreRequest(bool hasQuery,
                                const std::multimap<std::string, std::string>& params) {
    ScoreRequest request;
    if (!hasQuery) {
        request.kind = ScoreRequest::Kind::List;
        return request;
    }
    const size_t ids = params.count("myid");
    if (params.size() != 2 + ids || ids > 1 || params.count("myname") != 1 ||
        params.count("myscore") != 1) {
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
    } else {
        request.kind = ScoreRequest::Kind::Upload;
        request.name = name;
        request.score = *score;
        if (ids == 1) request.uploadId = params.find("myid")->second;
    }
    return request;
}
