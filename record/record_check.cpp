#include "record/record_check.h"

#include <utility>

#include "record/record_codec.h"
#include "record/rules_version.h"
#include "record/sha256.h"

CheckedRecord checkRecord(const std::vector<uint8_t>& bytes, const std::vector<uint8_t>& levelFile,
                          uint64_t maxSteps) {
    CheckedRecord checked;
    RecordCodec::Result read = RecordCodec::decode(bytes.data(), bytes.size(), maxSteps);
    if (!read.record) {
        checked.reason = std::move(read.reason);
        return checked;
    }
    if (read.record->rulesVersion != kRulesVersion) {
        checked.verdict = CheckedRecord::Verdict::Unproven;
        checked.reason = "the record was made under rules version " +
                         std::to_string(read.record->rulesVersion) + ", not " +
                         std::to_string(kRulesVersion);
        return checked;
    }
    if (read.record->levelHash != Sha256::of(levelFile.data(), levelFile.size())) {
        checked.reason = "the record was made on another level file";
        return checked;
    }
    checked.verdict = CheckedRecord::Verdict::Playable;
    checked.loneTicksAllowed = maxSteps - read.steps;
    checked.record = std::move(read.record);
    return checked;
}
