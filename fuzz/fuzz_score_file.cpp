// Fuzz target: ScoreList.sav of any content loaded by the score table, drawn once and saved
// again; the saved file must be well formed and keep every complete record's score.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "graphics/canvas.h"
#include "platform/headless/headless.h"
#include "platform/little_endian.h"
#include "scores/score_table.h"

namespace {
constexpr const char* kFileName = "ScoreList.sav";
constexpr size_t kFileSize = 3202;
constexpr size_t kRecordSize = 32;
constexpr size_t kNameAt = 2;
constexpr size_t kNameUnits = 9;
constexpr size_t kScoreAt = 20;
constexpr size_t kReservedAt = 24;

void check(bool condition) {
    if (!condition) std::abort();
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
    {
        ScoreTable table;
        table.draw(&canvas);
        for (int i = 0; i < ScoreTable::kEntryCount; ++i)
            check(table.entry(i).name[ScoreEntry::kNameUnits - 1] == 0);
    }

    std::ifstream in(fuzzing::programDirectory() + kFileName, std::ios::binary);
    const std::vector<uint8_t> saved((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    check(saved.size() == kFileSize);
    check(saved[0] <= 1 && saved[1] <= 1);
    for (size_t at = 2; at + kRecordSize <= kFileSize; at += kRecordSize) {
        const uint8_t* record = saved.data() + at;
        check(record[1] == 0);
        bool terminated = false;
        for (size_t u = 0; u < kNameUnits; ++u)
            terminated = terminated || (record[kNameAt + 2 * u] | record[kNameAt + 2 * u + 1]) == 0;
        check(terminated);
        for (size_t b = kReservedAt; b < kRecordSize; ++b) check(record[b] == 0);
        // Every record the input held whole keeps its score and its pending mark.
        if (at + kRecordSize <= size) {
            check(le::read32(record + kScoreAt) == le::read32(data + at + kScoreAt));
            check(record[0] == data[at]);
        }
    }
    return 0;
}
