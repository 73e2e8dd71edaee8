// Fuzz target: the score server's reply of any content taken by ScoreTable::synchronize, with
// a few pending scores whose uploads are answered or not.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/http_stub.h"
#include "graphics/canvas.h"
#include "platform/headless/headless.h"
#include "scores/score_table.h"

namespace {
constexpr int kMaxPending = 7;
constexpr uint32_t kFirstPendingScore = 20000;  // above every default entry
constexpr uint32_t kPendingScoreStep = 1000;

void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

// Input: one byte of upload answers (bit n for the n-th pending score), one byte whose low
// three bits give the number of pending scores, then the reply body.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    platform::headless::reset();
    static Canvas canvas;
    fuzzing::programDirectory();
    fuzzing::removeFile("ScoreList.sav");
    fuzzing::setHttpReply(data[0], std::string(reinterpret_cast<const char*>(data + 2), size - 2));

    ScoreTable table;
    const int pending = data[1] & kMaxPending;
    for (int n = 0; n < pending; ++n)
        table.insert(u"P" + std::u16string(1, static_cast<char16_t>(u'A' + n)),
                     kFirstPendingScore + kPendingScoreStep * static_cast<uint32_t>(n));
    table.synchronize();
    table.draw(&canvas);
    for (int i = 0; i < ScoreTable::kEntryCount; ++i) {
        check(table.entry(i).name[ScoreEntry::kNameUnits - 1] == 0);
        check(table.entry(i).nameText != nullptr && table.entry(i).scoreText != nullptr);
    }
    return 0;
}
