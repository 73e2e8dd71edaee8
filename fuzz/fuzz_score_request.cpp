// Fuzz target: an uploaded name and score of any content through the score server's
// validation, an in-memory store and the list it answers with; a list must always read back
// as the records it was made of.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

#include "tools/scoreserver/score_rules.h"
#include "tools/scoreserver/score_store.h"

namespace {
constexpr int kRecordsPerStore = 4096;  // a fresh store now and then keeps memory bounded

void check(bool condition) {
    if (!condition) std::abort();
}

ScoreStore& store() {
    static std::unique_ptr<ScoreStore> current;
    static int records = 0;
    if (current == nullptr || ++records > kRecordsPerStore) {
        current.reset();
        current = std::make_unique<ScoreStore>(":memory:");
        records = 0;
        check(current->ok());
    }
    return *current;
}
}  // namespace

// Input: the name, a zero byte, the score text.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\0');
    const std::string name = input.substr(0, split);
    const std::string scoreText = split == std::string::npos ? "" : input.substr(split + 1);

    const std::optional<uint32_t> score = parseScore(scoreText);
    if (score) {
        check(!scoreText.empty() && scoreText.size() <= 10);
        check(std::stoull(scoreText) == *score);
    }
    if (!validName(name)) return 0;
    check(name.find_first_of(";,") == std::string::npos);
    for (unsigned char c : name) check(c >= 0x20 && c != 0x7F);
    if (!score) return 0;

    ScoreStore& scores = store();
    check(scores.record(name, *score));
    const std::vector<ScoreRecord> best = scores.best(kListLength);
    const std::string list = formatList(best);
    // Read the list back as the game splits it: ';' NAME ',' DIGITS, record after record.
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
    return 0;
}
