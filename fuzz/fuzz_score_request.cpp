// Fuzz target: a request target of any content ("/Vextorium2/updateScore.php?myname=..&myscore=..")
// split into its path and query parameters by the score server's own parser, decided by the score
// server's rules, recorded in an in-memory store when it is an upload, and the list the server
// would answer read back as the records it was made of.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>

#include "server/request_target.h"
#include "server/score_rules.h"
#include "server/sqlite_store.h"

namespace {
constexpr int kRecordsPerStore = 4096;  // a fresh store now and then keeps memory bounded

void check(bool condition) {
    if (!condition) std::abort();
}

// The store reads through a connection of its own beside the writing one, so it needs a real
// file (":memory:" would give each connection a database of its own): a scratch file in /tmp.
ScoreStore& store() {
    static std::unique_ptr<ScoreStore> current;
    static int records = 0;
    static const std::string path =
        "/tmp/v2-fuzz-score-request-" + std::to_string(::getpid()) + ".sqlite";
    if (current == nullptr || ++records > kRecordsPerStore) {
        current.reset();
        for (const char* suffix : {"", "-wal", "-shm"}) std::remove((path + suffix).c_str());
        current = std::make_unique<SqliteScoreStore>(path);
        records = 0;
        check(current->ok());
    }
    return *current;
}

// The list as the game splits it: ';' NAME ',' DIGITS, record after record.
void checkListReadsBack(const std::vector<ScoreRecord>& best) {
    const std::string list = formatList(best);
    size_t at = 0;
    for (const ScoreRecord& record : best) {
        check(at < list.size() && list[at] == ';');
        const size_t comma = list.find(',', at);
        check(comma != std::string::npos && list.substr(at + 1, comma - at - 1) == record.name);
        const size_t next = list.find(';', comma);
        const std::string digits =
            list.substr(comma + 1, (next == std::string::npos ? list.size() : next) - comma - 1);
        check(parseScore(digits) == record.score);
        at = next == std::string::npos ? list.size() : next;
    }
    check(at == list.size());
    for (size_t i = 1; i < best.size(); ++i) check(best[i - 1].score >= best[i].score);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string target(reinterpret_cast<const char*>(data), size);
    const bool hasQuery = target.find('?') != std::string::npos;
    const std::optional<RequestTarget> parsed = parseRequestTarget(target);
    if (!parsed) {
        // Refused as malformed: a bad escape, or a query part that is not one KEY=VALUE.
        check(target.find('%') != std::string::npos || hasQuery);
        return 0;
    }
    check(parsed->hasQuery == hasQuery);
    const auto& params = parsed->params;
    // One parameter per '&'-separated part of a non-empty query.
    const size_t question = target.find('?');
    size_t parts = hasQuery && question + 1 < target.size() ? 1 : 0;
    for (size_t at = question; hasQuery && at < target.size(); ++at) parts += target[at] == '&';
    check(params.size() == parts);

    const ScoreRequest decided = decideScoreRequest(hasQuery, params);
    check((decided.kind == ScoreRequest::Kind::List) == !hasQuery);
    if (decided.kind == ScoreRequest::Kind::Refused) check(!decided.reason.empty());
    if (decided.kind != ScoreRequest::Kind::Upload) return 0;

    // An upload is exactly one valid name and one valid score, and at most one valid id.
    const size_t ids = params.count("myid");
    check(ids <= 1 && params.size() == 2 + ids && params.count("myname") == 1 &&
          params.count("myscore") == 1);
    check(ids == 0
              ? decided.uploadId.empty()
              : decided.uploadId == params.find("myid")->second && validUploadId(decided.uploadId));
    check(decided.name == params.find("myname")->second && validName(decided.name));
    check(parseScore(params.find("myscore")->second) == decided.score);
    check(decided.name.find_first_of(";,") == std::string::npos);
    for (unsigned char c : decided.name) check(c >= 0x20 && c != 0x7F);

    ScoreStore& scores = store();
    // An id the store saw before with another name or score is a conflict, never a row.
    StoreCall call = StoreCall::unhurried();
    const RecordOutcome outcome =
        scores.record(decided.name, decided.score, decided.uploadId, call);
    check(outcome == RecordOutcome::Recorded || outcome == RecordOutcome::Repeated ||
          (outcome == RecordOutcome::Conflict && !decided.uploadId.empty()));
    checkListReadsBack(scores.best(kListLength));
    return 0;
}
