// Fuzz target: the score server's reply of any content taken by ScoreTable::synchronize, with
// a few pending scores whose uploads are answered or not. One table serves the whole run,
// reloaded from a missing file (the default list) for each input.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "fuzz/http_stub.h"
#include "graphics/canvas.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "scores/score_table.h"

namespace {
constexpr int kMaxPending = 7;
constexpr uint32_t kFirstPendingScore = 20000;  // above every default entry
constexpr uint32_t kPendingScoreStep = 1000;
constexpr size_t kMaxReply = 8191;  // bytes of a reply the table reads
constexpr const char* kFileName = "ScoreList.sav";
constexpr size_t kRecordsAt = 2;
constexpr size_t kRecordSize = 32;
constexpr size_t kNameAt = 2;
constexpr size_t kScoreAt = 20;

void check(bool condition) {
    if (!condition) std::abort();
}

ScoreTable& table() {
    static ScoreTable* made = [] {
        fuzzing::programDirectory();
        fuzzing::removeFile(kFileName);
        return new ScoreTable();
    }();
    return *made;
}

struct Record {
    std::u16string name;
    uint32_t score;
};

// The reply as a plain list when it is one: nothing but ";NAME,DIGITS" records, each name 1 to
// 8 printable ASCII characters without separators, each score 1 to 9 digits.
std::optional<std::vector<Record>> plainList(const std::string& reply) {
    constexpr size_t kMaxName = 8;
    constexpr size_t kMaxDigits = 9;
    std::vector<Record> records;
    size_t at = 0;
    while (at < reply.size()) {
        if (reply[at] != ';') return std::nullopt;
        const size_t comma = reply.find(',', at);
        if (comma == std::string::npos) return std::nullopt;
        const std::string name = reply.substr(at + 1, comma - at - 1);
        if (name.empty() || name.size() > kMaxName) return std::nullopt;
        for (char c : name)
            if (c < 0x20 || c > 0x7E || c == ';') return std::nullopt;
        size_t end = comma + 1;
        uint32_t score = 0;
        while (end < reply.size() && reply[end] >= '0' && reply[end] <= '9')
            score = score * 10 + static_cast<uint32_t>(reply[end++] - '0');
        if (end == comma + 1 || end - comma - 1 > kMaxDigits) return std::nullopt;
        records.push_back({std::u16string(name.begin(), name.end()), score});
        at = end;
    }
    return records;
}
}  // namespace

// Input: one byte of upload answers (bit n for the n-th pending score), one byte whose low
// three bits give the number of pending scores, then the reply body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    platform::headless::reset();
    static Canvas canvas;
    ScoreTable& scores = table();
    fuzzing::removeFile(kFileName);
    scores.reload();
    const std::string reply(reinterpret_cast<const char*>(data + 2), size - 2);
    fuzzing::setHttpReply(data[0], reply);

    const int pending = data[1] & kMaxPending;
    for (int n = 0; n < pending; ++n)
        scores.insert(u"P" + std::u16string(1, static_cast<char16_t>(u'A' + n)),
                      kFirstPendingScore + kPendingScoreStep * static_cast<uint32_t>(n));
    scores.synchronize();
    scores.draw(&canvas);
    scores.save();
    const std::vector<uint8_t> saved = fuzzing::readFile(kFileName);
    check(saved.size() == kRecordsAt + kRecordSize * ScoreTable::kEntryCount);
    // Every name ends within its nine units.
    for (size_t at = kRecordsAt; at < saved.size(); at += kRecordSize)
        check((saved[at + kNameAt + 16] | saved[at + kNameAt + 17]) == 0);
    // The table after a plain list read whole, every upload answered, is in order, highest
    // first, and holds each of the list's records that beats its lowest entry.
    const uint32_t allAnswered = (1u << pending) - 1;
    const auto records = reply.size() <= kMaxReply ? plainList(reply) : std::nullopt;
    if (records && (data[0] & allAnswered) == allAnswered) {
        auto scoreAt = [&](size_t i) {
            return le::read32(saved.data() + kRecordsAt + kRecordSize * i + kScoreAt);
        };
        for (size_t i = 1; i < ScoreTable::kEntryCount; ++i) check(scoreAt(i - 1) >= scoreAt(i));
        const uint32_t lowest = scoreAt(ScoreTable::kEntryCount - 1);
        for (size_t r = 0; r < records->size() && r < ScoreTable::kEntryCount; ++r) {
            const Record& wanted = (*records)[r];
            if (wanted.score <= lowest) continue;
            bool found = false;
            for (size_t i = 0; i < ScoreTable::kEntryCount && !found; ++i) {
                const uint8_t* record = saved.data() + kRecordsAt + kRecordSize * i;
                bool same = le::read32(record + kScoreAt) == wanted.score;
                for (size_t u = 0; same && u < ScoreEntry::kNameUnits; ++u)
                    same = static_cast<char16_t>(le::read16(record + kNameAt + 2 * u)) ==
                           (u < wanted.name.size() ? wanted.name[u] : 0);
                found = same;
            }
            check(found);
        }
    }
    // The rows on screen have their texts.
    for (int i = 0; i < ScoreTable::kVisibleRows; ++i)
        check(scores.entry(i).nameText != nullptr && scores.entry(i).scoreText != nullptr);
    return 0;
}
