// RecordCodec: a GameRecord as bytes and back. The reader is pure and trusts nothing it reads:
// every count is checked against the bytes left, and it accepts only the one encoding the
// writer gives, so a record's bytes name its game.
//
// Layout: "V2GR", format 1, varint rules version, 32 bytes level-file hash, varint sessions;
// a session: random state (4 bytes little-endian), varint level, lives, score, a flags byte
// (with 0x20 set when a pace byte follows: the percent of a session played below full pace;
// a session at full pace has neither, so its bytes are those of a record made before paces),
// its steps, then 0xC0 and the cut's three varints, or 0xE0 for the game's end. A step is one
// byte, kind << 5 | n: a run of n + 1 (n 0..30) or of 32 + a varint (n 31); a press with its
// key's index in n; a release or a pause with n 0. Varints: 7 bits a byte, low first, shortest.
// Last, 8 check bytes: the start of the SHA-256 of every byte before them.
#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/game_record.h"

// The most a record may cost unless told otherwise (game_record.h, stepCount): about 2.7
// hours of play, however long it was paused. Since every byte costs a step, no record within
// the limit is longer than this many bytes.
inline constexpr uint64_t kDefaultMaxSteps = 2000000;

class RecordCodec {
  public:
    static std::vector<uint8_t> encode(const GameRecord& record);

    struct Result {
        std::optional<GameRecord> record;
        std::string reason;  // why there is none, in plain words
        uint64_t steps = 0;  // what it costs before its lone ticks
    };
    // Refuses, too, a record that costs more than `maxSteps` before its lone ticks, before
    // anything of it is played.
    static Result decode(const uint8_t* data, size_t size, uint64_t maxSteps = UINT64_MAX);
};
