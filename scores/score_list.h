// The score server's list as the game reads it (";NAME,SCORE" records), and names as they
// travel: UTF-8 on the wire, UTF-16 in the table.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

struct ScoreListRecord {
    std::u16string name;  // at most 8 UTF-16 units
    uint32_t score = 0;
    bool operator==(const ScoreListRecord&) const = default;
};

struct ScoreList {
    std::vector<ScoreListRecord> records;
    size_t stoppedAt = 0;  // the ';' of the first record not taken, or the reply's size
};

// Up to maxRecords records, in the reply's order. Anything before the first ';' is skipped; a
// record is ';', its name up to the next ',', then a decimal score. Parsing stops at a ';'
// with no ',' after it and at a name of more than 8 UTF-16 units.
ScoreList parseScoreList(std::string_view reply, size_t maxRecords);

// A stored name (up to `units` units, ending early at a zero) as UTF-8; half of a surrogate
// pair becomes U+FFFD.
std::string nameToUtf8(const char16_t* name, size_t units);

// UTF-8 to UTF-16; every byte that does not begin a well-formed sequence becomes U+FFFD
// (overlong forms, surrogates and values past U+10FFFF included).
std::u16string nameFromUtf8(std::string_view bytes);
