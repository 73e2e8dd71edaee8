// What the score server accepts and how it writes its list.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "server/score_store.h"

constexpr int kMaxNameUnits = 8;  // the game's table holds 8 UTF-16 units per name
constexpr int kListLength = 100;

// A name is valid UTF-8 of 1 to 8 printable characters (counted as the game counts them, in
// UTF-16 units), not all of them spaces. Control, format, private-use and unassigned characters
// and the list's separators ';' and ',' are refused.
bool validName(const std::string& utf8);

// A score is 1 to 10 decimal digits with a value of at most 4294967295.
std::optional<uint32_t> parseScore(const std::string& text);

// ";NAME,SCORE" for each record, in order.
std::string formatList(const std::vector<ScoreRecord>& records);

// An upload's id: 1 to 64 characters of [0-9A-Za-z_-].
bool validUploadId(const std::string& text);

// A proof's id: the lowercase hex SHA-256 of the record (64 characters).
bool validProofId(const std::string& text);

// What the script decides for one request: with no query, the list; with the keys myname and
// myscore, each once and valid, and optionally myid and myproof once and valid, an upload;
// anything else is refused (400) and nothing is stored. Either may name a level set once
// (set=ID, the set's id), whose board it lists or uploads to; without it, the built-in set's.
struct ScoreRequest {
    enum class Kind { List, Upload, Refused };
    Kind kind = Kind::Refused;
    std::string name;      // an upload's name
    uint32_t score = 0;    // an upload's score
    std::string uploadId;  // the same on every retry of one upload; empty when not sent
    std::string proofId;   // the record POSTed before it; empty for a plain upload
    std::string set;       // the level set's id; empty for the built-in set
    std::string reason;    // why it was refused
};
ScoreRequest decideScoreRequest(bool hasQuery,
                                const std::multimap<std::string, std::string>& params);
