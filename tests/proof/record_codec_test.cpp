// The record's digest, its one shortest form, its bytes, and a reader that takes nothing on trust.
#include "record/record_codec.h"

#include <gtest/gtest.h>

#include <string>

#include "record/sha256.h"

namespace {
using Bytes = std::vector<uint8_t>;

std::string digestOf(const std::string& text) {
    return Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>(text.data()), text.size()));
}

// Two sessions: a new game cut at level 2 with 2 lives and 150 points, then its continuation to
// the game's end.
GameRecord twoSessions() {
    GameRecord record;
    record.rulesVersion = 1;
    record.levelHash.fill(0xAB);
    RecordSession first;
    first.randomState = 0x01020304;
    first.flags = RecordSession::kSoundOn | RecordSession::kMusicOn;
    for (int i = 0; i < 100; ++i) {
        first.addTick();
        first.addDraw();
    }
    first.addPress(1);
    first.addRelease();
    first.cut = GameValues{2, 2, 150};
    RecordSession second;
    second.flags = RecordSession::kContinued | RecordSession::kPaused;
    second.start = GameValues{2, 2, 150};
    second.addPause();
    second.addTick();
    record.sessions = {first, second};
    return record;
}

RecordCodec::Result decode(const Bytes& bytes, uint64_t maxSteps = UINT64_MAX) {
    return RecordCodec::decode(bytes.data(), bytes.size(), maxSteps);
}
}  // namespace

TEST(Sha256, PublishedDigests) {
    EXPECT_EQ(digestOf(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(digestOf("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    // 56 bytes: the length no longer fits the first block.
    EXPECT_EQ(digestOf("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    Sha256 million;
    const std::string chunk(1000, 'a');
    for (int i = 0; i < 1000; ++i)
        million.add(reinterpret_cast<const uint8_t*>(chunk.data()), chunk.size());
    EXPECT_EQ(Sha256::hex(million.finish()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

// Ticks and draws in any order have one form: a draw joins the tick before it into a pair.
TEST(GameRecord, StepsKeepTheirShortestForm) {
    RecordSession session;
    for (char event : std::string("TDTDTTDD")) event == 'T' ? session.addTick() : session.addDraw();
    EXPECT_EQ(session.steps, (std::vector<RecordStep>{{RecordStep::TickDraw, 2},
                                                      {RecordStep::Tick, 1},
                                                      {RecordStep::TickDraw, 1},
                                                      {RecordStep::Draw, 1}}));
    // A session's start, two for a tick with its draw, one for a lone draw; the lone tick is
    // charged when it is played.
    EXPECT_EQ(stepCount(session), kStepsPerSession + 2 * 2 + 2 + 1);
    EXPECT_EQ(keyIndex(0x25), 1);   // left
    EXPECT_EQ(keyIndex(0x5B), -1);  // home: play never reads it
    EXPECT_EQ(keyCode(6), 0x71u);
}

TEST(RecordCodec, BytesOfARecordAndBack) {
    const GameRecord record = twoSessions();
    const Bytes bytes = RecordCodec::encode(record);
    Bytes expected = {'V', '2', 'G', 'R', 1, 1};
    expected.insert(expected.end(), 32, 0xAB);
    expected.push_back(2);  // sessions
    // Random state little-endian, level 1, lives 3, score 0, sound and music on; a run of 100
    // pairs is 0x1F and 100 - 32; left pressed (3 << 5 | 1) and released; cut 2, 2, 150.
    for (uint8_t b : {4, 3, 2, 1, 1, 3, 0, 12, 0x1F, 68, 0x61, 0x80, 0xC0, 2, 2, 0x96, 1})
        expected.push_back(b);
    for (uint8_t b : {0, 0, 0, 0, 2, 2, 0x96, 1, 3, 0xA0, 0x20, 0xE0}) expected.push_back(b);
    const Sha256::Digest check = Sha256::of(expected.data(), expected.size());
    expected.insert(expected.end(), check.begin(), check.begin() + 8);
    EXPECT_EQ(bytes, expected);
    const RecordCodec::Result read = decode(bytes);
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    EXPECT_EQ(*read.record, record);

    // Every shorter piece and any byte more is refused, with a reason.
    for (size_t n = 0; n < bytes.size(); ++n) {
        const RecordCodec::Result cut = decode(Bytes(bytes.begin(), bytes.begin() + n));
        EXPECT_FALSE(cut.record.has_value()) << n;
        EXPECT_FALSE(cut.reason.empty()) << n;
    }
    Bytes longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(decode(longer).record.has_value());
    // Any byte flipped, even where the rest would still read as a record, is found.
    for (size_t at = 0; at < bytes.size(); ++at) {
        Bytes flipped = bytes;
        flipped[at] ^= 0x10;
        EXPECT_FALSE(decode(flipped).record.has_value()) << at;
    }

    // Before play the step limit counts every byte, kStepsPerSession a session, every draw, key,
    // release and pause, and a tick that carries a draw (a lone tick is charged as it is
    // played): 2 x 100 + 2 in the first session, 1 in the second.
    const uint64_t cost = bytes.size() + 2 * kStepsPerSession + 203;
    EXPECT_EQ(decode(bytes, cost).steps, cost);
    EXPECT_EQ(decode(bytes, cost - 1).reason, "the record is over the step limit");
}

// Bytes that the writer never gives are refused, so one game has one encoding.
TEST(RecordCodec, RefusesEveryOtherEncoding) {
    const Bytes good = RecordCodec::encode(twoSessions());
    const size_t firstStep = 4 + 1 + 1 + 32 + 1 + 8;  // the long run's 0x1F
    // The bytes changed at `at`, with a check that matches them, so only the layout can refuse.
    auto with = [&](size_t at, std::initializer_list<uint8_t> replacement, size_t replaced) {
        Bytes bytes(good.begin(), good.end() - 8);
        bytes.erase(bytes.begin() + static_cast<long>(at),
                    bytes.begin() + static_cast<long>(at + replaced));
        bytes.insert(bytes.begin() + static_cast<long>(at), replacement);
        const Sha256::Digest check = Sha256::of(bytes.data(), bytes.size());
        bytes.insert(bytes.end(), check.begin(), check.begin() + 8);
        return decode(bytes);
    };
    ASSERT_EQ(good[firstStep], 0x1F);
    EXPECT_TRUE(with(firstStep, {0x1F, 68}, 2).record.has_value());            // unchanged
    EXPECT_FALSE(with(firstStep, {0x1F, 0xC4, 0x00}, 2).record.has_value());   // long varint
    EXPECT_FALSE(with(firstStep, {0x1F, 36, 0x1F, 0}, 2).record.has_value());  // split run
    EXPECT_FALSE(with(firstStep, {0x20, 0x40}, 2).record.has_value());         // tick, draw: a pair
    EXPECT_FALSE(with(firstStep + 2, {0x67}, 1).record.has_value());           // no eighth key
    EXPECT_FALSE(with(firstStep + 2, {0x81}, 1).record.has_value());           // release with a key
    EXPECT_FALSE(with(firstStep - 1, {0x20}, 1).record.has_value());           // unknown flag
    EXPECT_FALSE(with(4, {2}, 1).record.has_value());                          // another format
    // A count of sessions far beyond the bytes is refused once they run out.
    EXPECT_FALSE(with(38, {0xFF, 0xFF, 0xFF, 0xFF, 0x0F}, 1).record.has_value());
    EXPECT_FALSE(with(38, {0xFF, 0xFF, 0xFF, 0xFF, 0x1F}, 1).record.has_value());  // > 32 bits
}

// A session played below full pace carries its pace in one byte after its flags; a full-pace
// session carries none, so every record made before paces keeps its bytes and its reading.
TEST(RecordCodec, APaceBelowFullIsOneByteAfterTheFlags) {
    const Bytes full = RecordCodec::encode(twoSessions());
    GameRecord slowed = twoSessions();
    slowed.sessions[1].pace = 50;
    // The second session's flags (continued, paused: 3) are the fourth byte from its end.
    Bytes expected(full.begin(), full.end() - 8);
    const size_t flags = expected.size() - 4;
    ASSERT_EQ(expected[flags], 3);
    expected[flags] = 0x23;
    expected.insert(expected.begin() + static_cast<long>(flags) + 1, 50);
    const Sha256::Digest check = Sha256::of(expected.data(), expected.size());
    expected.insert(expected.end(), check.begin(), check.begin() + 8);
    EXPECT_EQ(RecordCodec::encode(slowed), expected);
    const RecordCodec::Result read = decode(expected);
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    EXPECT_EQ(*read.record, slowed);
    EXPECT_EQ(read.record->sessions[0].pace, 100u);
    // The game's pace is its slowest session's.
    EXPECT_EQ(gamePace(*read.record), 50u);
    EXPECT_EQ(gamePace(twoSessions()), 100u);

    // Full pace written out, or a pace the game does not offer, is another encoding.
    for (uint8_t pace : {100, 60, 0}) {
        Bytes other(expected.begin(), expected.end() - 8);
        other[flags + 1] = pace;
        const Sha256::Digest sum = Sha256::of(other.data(), other.size());
        other.insert(other.end(), sum.begin(), sum.begin() + 8);
        EXPECT_EQ(decode(other).reason, "a session's pace is damaged") << int{pace};
    }
}
