// The online exchange: the pending scores go up to the score server and its list comes back,
// all within one time budget.
#include "scores/score_exchange.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/entropy.h"
#include "platform/files.h"
#include "platform/http.h"
#include "scores/score_entry.h"
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

Answer answerOf(long status) {
    if (platform::httpSucceeded(status)) return Answer::Taken;
    return platform::httpTurnedDownForGood(status) ? Answer::Refused : Answer::None;
}

Answer answerOf(platform::HttpRequest* request) {
    if (request == nullptr) return Answer::None;
    const long status = platform::httpStatus(request);
    platform::httpCloseRequest(request);
    return answerOf(status);
}

// The list's bytes, at most kMaxReply of them; false when no successful reply came in time.
bool downloadList(platform::HttpSession* session, const std::string& url, long timeoutMs,
                  std::string& reply) {
    platform::HttpRequest* request = platform::httpOpenUrl(session, url, timeoutMs);
    if (request == nullptr) return false;
    // An answer other than success carries no list, whatever its body holds.
    const long status = platform::httpStatus(request);
    const bool ok = platform::httpSucceeded(status);
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
    const Answer answer = answerOf(status);
    if (answer == Answer::Taken) return hex ? Answer::Taken : Answer::Refused;
    id.clear();
    return answer;
}

}  // namespace

void exchangeScores(ScoreTable& table) {
    const Clock::time_point deadline = Clock::now() + kExchangeBudget;
    platform::HttpSession* session = platform::httpOpen(kAgent);
    if (session == nullptr) return;
    const std::string base = "http://" + scoreHost() + kScriptPath;
    const std::string proofUrl = "http://" + scoreHost() + kProofPath;
    // A level set's table goes to that set's board; the built-in set's requests name no set.
    const std::string set = platform::levelSetId();

    // Upload the pending entries in table order until one is not answered or the time is up; a
    // server that failed one is not kept busy with the rest. An answered score is no longer
    // pending: taken, it is known to the server; refused (a name the server will never take),
    // it stays in the table but is not sent again. Every other pending score keeps its id and
    // goes up next time.
    bool uploading = true;
    for (int i = 0; i < ScoreTable::kEntryCount && uploading; ++i) {
        ScoreEntry& entry = table.row(i);
        if (entry.pending == 0) continue;
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
            (proofId.empty() ? "" : "&myproof=" + proofId) + (set.empty() ? "" : "&set=" + set);
        if (posted == Answer::None ||
            answerOf(platform::httpOpenUrl(session, url, remainingMs(deadline))) == Answer::None) {
            uploading = false;
        } else {
            entry.pending = 0;
            entry.uploadId = 0;
            entry.proof.clear();
        }
    }

    std::string reply;
    const bool listed = downloadList(session, set.empty() ? base : base + "?set=" + set,
                                     remainingMs(deadline), reply);
    platform::httpClose(session);
    if (listed) table.takeList(parseScoreList(reply, ScoreTable::kEntryCount).records);
}
