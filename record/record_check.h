// The checks a record passes before it is played: whole and in its one form, within the step
// limit, made under this build's rules and on the level file at hand. The verifier and the watch
// page both play only what passes.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "record/game_record.h"

struct CheckedRecord {
    enum class Verdict { Playable, Refused, Unproven };
    Verdict verdict = Verdict::Refused;
    std::string reason;                // why not playable, in plain words
    std::optional<GameRecord> record;  // when playable
    uint64_t loneTicksAllowed = 0;     // what the step limit leaves for its lone ticks
};

CheckedRecord checkRecord(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& levelFile,
                          uint64_t maxSteps);
