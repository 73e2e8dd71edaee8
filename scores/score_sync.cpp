// ScoreTable::synchronize: uploads the pending scores to the score server and takes its list,
// all within one time budget.
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/entropy.h"
#include "platform/http.h"
#include "scores/score_list.h"
#include "scores/score_table.h"

namespace {

constexpr const char* kAgent = "VextorHttp";
constexpr const char* kHostVariable = "VEXTORIUM2_SCORE_HOST";
constexpr const char* kDefaultHost = "127.0.0.1:8642";
constexpr const char* kScriptPath = "/Vextorium2/updateScore.php";
constexpr const char* kProofPath = "/Vextorium2/proof";
constexpr size_t kProofIdDigits = 64;  // the proof's SHA-256 in lowercase hex
constexpr size_t kMaxReply = 8191;     // bytes of the list that are used
constexpr long kFirstSuccess = 200;
constexpr long kLastSuccess = 299;
constexpr long kFirstRefusal = 400;
constexpr long kLastRefusal = 499;
constexpr long kRequestTimeout = 408;
constexpr long kTooManyRequests = 429;
constexpr int kIdDigits = 16;

using Clock = std::chrono::steady_clock;
// The uploads and the download share this much wall time from the start of the exchange. The
// rest of 5 s is left for taking the list and rebuilding the texts: the table is drawn again
// within 5 s of the key press whatever the server does.
constexpr std::chrono::milliseconds kExchangeBudget{4800};

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

// 16 lowercase hexadecimal digits.
std::string hexId(uint64_t id) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out(kIdDigits, '0');
    for (int i = kIdDigits - 1; i >= 0; --i, id >>= 4) out[static_cast<size_t>(i)] = kHex[id & 0xF];
    return out;
}

long remainingMs(Clock::time_point deadline) {
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
}

enum class Answer {
    Taken,    // 2xx: the server has the score
    Refused,  // 4xx: it never will, sending it again cannot help
    None,     // no reply in time, a failure of the server's own (5xx and the rest), or "not now"
};

Answer answerOf(platform::HttpRequest* request) {
    if (request == nullptr) return Answer::None;
    const long status = platform::httpStatus(request);
    platform::httpCloseRequest(request);
    if (status >= kFirstSuccess && status <= kLastSuccess) return Answer::Taken;
    // Too slow, or too many at once (a rate limit in front of the server): worth another try.
    if (status == kRequestTimeout || status == kTooManyRequests) return Answer::None;
    if (status >= kFirstRefusal && status <= kLastRefusal) return Answer::Refused;
    return Answer::None;
}

// The list's bytes, at most kMaxReply of them; false when no successful reply came in time.
bool downloadList(platform::HttpSession* session, const std::string& url, long timeoutMs,
                  std::string& reply) {
    platform::HttpRequest* request = platform::httpOpenUrl(session, url, timeoutMs);
    if (request == nullptr) return false;
    // An answer other than success carries no list, whatever its body holds.
    const long status = platform::httpStatus(request);
    const bool ok = status >= kFirstSuccess && status <= kLastSuccess;
    if (ok) {
        reply.assign(kMaxReply, '\0');
        size_t got = 0;
        while (got < kMaxReply) {
            const size_t n = platform::httpRead(request, reply.data() + got, kMaxReply - got);
            if (n == 0) break;
            got += n;
        }
        reply.resize(got);
    }
    platform::httpCloseRequest(request);
    return ok;
}

// Sends a pending score's proof first. Taken: `id` names it for the upload. Refused: this server
// takes no proofs (404, 405) or never this one (too large): the score goes up without it. None:
// not now (no answer, busy): the score stays pending with its proof.
Answer postProof(platform::HttpSession* session, const std::string& url, const std::string& proof,
                 long timeoutMs, std::string& id) {
    platform::HttpRequest* request = platform::httpPost(session, url, proof, timeoutMs);
    if (request == nullptr) return Answer::None;
    const long status = platform::httpStatus(request);
    // The id, allowing a line end after it.
    char digits[kProofIdDigits + 3];
    size_t got = 0;
    while (got < sizeof digits) {
        const size_t n = platform::httpRead(request, digits + got, sizeof digits - got);
        if (n == 0) break;
        got += n;
    }
    while (got > 0 && (digits[got - 1] == '\n' || digits[got - 1] == '\r')) --got;
    id.assign(digits, got);
    const bool hex = got == kProofIdDigits && std::all_of(id.begin(), id.end(), [](char c) {
                         return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
                     });
    platform::httpCloseRequest(request);
    // A success without an id cannot be named: the score goes up without it.
    if (!hex) id.clear();
    if (status >= kFirstSuccess && status <= kLastSuccess)
        return hex ? Answer::Taken : Answer::Refused;
    id.clear();
    if (status == kRequestTimeout || status == kTooManyRequests) return Answer::None;
    if (status >= kFirstRefusal && status <= kLastRefusal) return Answer::Refused;
    return Answer::None;
}

struct Unanswered {
    int index;  // where it stood before the download
    std::u16string name;
    uint32_t score;
    uint64_t uploadId;
    bool listed;  // the downloaded list holds it
    std::string proof;
};

}  // namespace

void ScoreTable::synchronize() {
    const Clock::time_point deadline = Clock::now() + kExchangeBudget;
    platform::HttpSession* session = platform::httpOpen(kAgent);
    if (session == nullptr) return;
    const std::string base = "http://" + scoreHost() + kScriptPath;
    const std::string proofUrl = "http://" + scoreHost() + kProofPath;

    // Upload the pending entries in table order until one is not answered or the time is up; a
    // server that failed one is not kept busy with the rest. An answered score is no longer
    // pending: taken, it is known to the server, so a list too short to replace it does not
    // make it go up again; refused (a name the server will never take), it stays in the table
    // but is not sent again. Every other pending score is remembered and goes up next time.
    std::vector<Unanswered> unanswered;
    bool uploading = true;
    for (int i = 0; i < kEntryCount; ++i) {
        ScoreEntry& entry = *entries_[i];
        if (entry.pending == 0) continue;
        if (uploading) {
            if (entry.uploadId == 0) entry.uploadId = platform::entropy64();
            // A score with a proof: the proof first, then the upload naming it.
            std::string proofId;
            const Answer posted = entry.proof.empty() ? Answer::Refused
                                                      : postProof(session, proofUrl, entry.proof,
                                                                  remainingMs(deadline), proofId);
            if (posted == Answer::Refused) entry.proof.clear();
            const std::string url =
                base + "?myname=" + percentEncode(nameToUtf8(entry.name, ScoreEntry::kNameUnits)) +
                "&myscore=" + std::to_string(entry.score) + "&myid=" + hexId(entry.uploadId) +
                (proofId.empty() ? "" : "&myproof=" + proofId);
            if (posted != Answer::None &&
                answerOf(platform::httpOpenUrl(session, url, remainingMs(deadline))) !=
                    Answer::None) {
                entry.pending = 0;
                entry.uploadId = 0;
                entry.proof.clear();
                continue;
            }
            uploading = false;
        }
        unanswered.push_back(
            {i, std::u16string(entry.name), entry.score, entry.uploadId, false, entry.proof});
    }

    // Download the server's list while time is left; its records replace the table from the
    // top in their order.
    int replaced = 0;
    std::string reply;
    if (downloadList(session, base, remainingMs(deadline), reply)) {
        const ScoreList list = parseScoreList(reply, kEntryCount);
        for (const ScoreListRecord& record : list.records) {
            ScoreEntry& entry = *entries_[replaced++];
            if (entry.score != record.score || std::u16string(entry.name) != record.name)
                deleteEntryTexts(entry);
            for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
                entry.name[u] = static_cast<size_t>(u) < record.name.size() ? record.name[u] : 0;
            entry.score = record.score;
            entry.pending = 0;
            entry.uploadId = 0;
            entry.proof.clear();
        }
    }
    platform::httpClose(session);

    // An unanswered score that the new list holds with the same name was recorded all the
    // same (only the answer was lost): it is no longer pending.
    for (Unanswered& score : unanswered) {
        for (int j = 0; j < replaced && !score.listed; ++j)
            score.listed = entries_[j]->score == score.score &&
                           std::u16string(entries_[j]->name) == score.name;
        if (score.listed && score.index >= replaced) {
            entries_[score.index]->pending = 0;
            entries_[score.index]->uploadId = 0;
            entries_[score.index]->proof.clear();
        }
    }
    // Any other is not lost with an entry the list replaced: it enters the new table again as
    // insert places it, still pending and with its id.
    for (const Unanswered& score : unanswered) {
        if (score.listed || score.index >= replaced) continue;
        const int at = insert(score.name, score.score, score.proof);
        if (at < 0) continue;
        entries_[at]->uploadId = score.uploadId;
    }
}
