// Fuzz target: parseScoreList on any bytes. What it takes must read back the same once the
// server's list writer has written it again, and a reply cut where parsing stopped must give
// the same records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "scores/score_list.h"
#include "server/score_rules.h"

namespace {
constexpr size_t kMaxListNameUnits = 8;  // UTF-16 units, as the table holds them

void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

// Input: one byte with the number of records wanted, then the reply.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const size_t wanted = data[0];
    const std::string reply(reinterpret_cast<const char*>(data + 1), size - 1);
    const ScoreList list = parseScoreList(reply, wanted);

    check(list.records.size() <= wanted);
    check(list.stoppedAt <= reply.size());
    check(list.stoppedAt == reply.size() || reply[list.stoppedAt] == ';');
    bool written = true;
    std::vector<ScoreRecord> records;
    for (const ScoreListRecord& record : list.records) {
        check(record.name.size() <= kMaxListNameUnits);
        check(record.name.find(u',') == std::u16string::npos);
        // A name with a zero in it ends there in the table: it has no written form of its own.
        written = written && record.name.find(u'\0') == std::u16string::npos;
        records.push_back({nameToUtf8(record.name.data(), record.name.size()), record.score});
    }

    const ScoreList prefix = parseScoreList(reply.substr(0, list.stoppedAt), wanted);
    check(prefix.records == list.records);
    if (written) {
        const std::string again = formatList(records);
        const ScoreList reread = parseScoreList(again, wanted);
        check(reread.records == list.records && reread.stoppedAt == again.size());
    }
    return 0;
}
