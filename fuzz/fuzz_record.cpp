// Fuzz target: a game record of any content through the reader, and what it accepts played
// into the real program under a small step limit. The input is the record without its check
// bytes (the right ones are added), so the fuzzer reaches the layout and the player.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "platform/headless/headless.h"
#include "record/record_codec.h"
#include "record/sha256.h"
#include "shell/record_player.h"

namespace {
constexpr uint64_t kMaxSteps = 6000;  // a few sessions of a few thousand steps

void check(bool condition) {
    if (!condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const bool ready = [] {
        fuzzing::programDirectory();
        return fuzzing::copyDataFile("BrickMap.dat");
    }();
    (void)ready;
    std::vector<uint8_t> bytes(data, data + size);
    const Sha256::Digest digest = Sha256::of(bytes.data(), bytes.size());
    bytes.insert(bytes.end(), digest.begin(), digest.begin() + 8);
    const RecordCodec::Result read = RecordCodec::decode(bytes.data(), bytes.size(), kMaxSteps);
    check(read.record.has_value() != !read.reason.empty());
    if (!read.record) return 0;
    // What the reader accepts is exactly what the writer gives for it.
    check(RecordCodec::encode(*read.record) == bytes);
    platform::headless::reset();
    const PlayedRecord played = RecordPlayer().play(*read.record);
    check(played.proven != !played.reason.empty());
    return 0;
}
