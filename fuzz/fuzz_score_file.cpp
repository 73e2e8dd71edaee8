// Fuzz target: ScoreList.sav of any content loaded by the score table, drawn once and saved
// again. The saved file must hold exactly what the input gives: each complete record's pending
// mark, name (ended within its nine units) and score, the default list where the input ends.
// One table serves the whole run, reloaded for each input, so the saved file also shows that
// nothing of an earlier input is left in it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "graphics/canvas.h"
#include "graphics/text_image.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "scores/score_table.h"

namespace {
constexpr const char* kFileName = "ScoreList.sav";
constexpr size_t kFileSize = 3202;
constexpr size_t kSwitchBytes = 2;
constexpr size_t kRecordSize = 32;
constexpr size_t kNameAt = 2;
constexpr size_t kScoreAt = 20;
constexpr size_t kReservedAt = 24;
constexpr uint32_t kDefaultTop = 10000;
constexpr uint32_t kDefaultStep = 100;
constexpr char16_t kDefaultName[] = u"MERVAN";
constexpr size_t kDefaultLength = 6;

char16_t unitAt(const uint8_t* record, size_t u) {
    return static_cast<char16_t>(le::read16(record + kNameAt + 2 * u));
}

// The length of a stored name as the table keeps it: the units before the first zero, at most
// eight, and not ending on the first half of a pair that the cut split.
size_t keptLength(const uint8_t* record) {
    size_t length = 0;
    while (length < ScoreEntry::kNameUnits && unitAt(record, length) != 0) ++length;
    if (length > ScoreTable::kMaxNameLength) {
        length = ScoreTable::kMaxNameLength;
        const char16_t last = unitAt(record, length - 1);
        if (last >= 0xD800 && last <= 0xDBFF) --length;
    }
    return length;
}

void check(bool condition) {
    if (!condition) std::abort();
}

ScoreTable& table() {
    static ScoreTable* made = [] {
        fuzzing::programDirectory();
        return new ScoreTable();
    }();
    return *made;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    platform::headless::reset();
    static Canvas canvas;
    // An empty input stands for a missing file, the other way the table starts from defaults.
    if (size == 0)
        fuzzing::removeFile(kFileName);
    else
        fuzzing::writeFile(kFileName, data, size);
    ScoreTable& scores = table();
    scores.reload();
    check(scores.topRow() == 0);
    scores.draw(&canvas);
    scores.save();

    const std::vector<uint8_t> saved = fuzzing::readFile(kFileName);
    check(saved.size() == kFileSize);
    check(saved[0] == (size >= 1 && data[0] != 0 ? 1 : 0));
    check(saved[1] == (size < 2 || data[1] != 0 ? 1 : 0));
    for (int i = 0; i < ScoreTable::kEntryCount; ++i) {
        const size_t at = kSwitchBytes + kRecordSize * static_cast<size_t>(i);
        const uint8_t* record = saved.data() + at;
        const bool whole = at + kRecordSize <= size;
        const size_t length = whole ? keptLength(data + at) : kDefaultLength;
        const uint32_t score =
            whole ? le::read32(data + at + kScoreAt) : kDefaultTop - kDefaultStep * i;
        check(record[0] == (whole ? data[at] : 0) && record[1] == 0);
        for (size_t u = 0; u < ScoreEntry::kNameUnits; ++u) {
            const char16_t expected = u >= length ? 0
                                      : whole     ? unitAt(data + at, u)
                                                  : kDefaultName[u];
            check(unitAt(record, u) == expected);
        }
        check(le::read32(record + kScoreAt) == score);
        for (size_t b = kReservedAt; b < kRecordSize; ++b) check(record[b] == 0);
        // The rows on screen show texts of their own name and score, 12 pixels per unit.
        if (i < ScoreTable::kVisibleRows) {
            const ScoreEntry& entry = scores.entry(i);
            const size_t digits = score == 0 ? 1 : std::to_string(score).size();
            check(entry.nameText->width == TextImage::kCellWidth * static_cast<int>(length));
            check(entry.scoreText->width == TextImage::kCellWidth * static_cast<int>(digits));
        }
    }
    return 0;
}
