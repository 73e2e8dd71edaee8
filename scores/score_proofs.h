// ScoreProofs: ScoreProofs.dat beside ScoreList.sav, the game records (proofs) of the pending
// scores, kept until the server has answered for them. ScoreList.sav keeps its layout; a proof
// is matched to its entry by name and score.
//
// Layout: "V2SP", then per proof: the name's 9 UTF-16 units, the score (4 bytes), the proof's
// length (4 bytes) and its bytes; all little-endian.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scores/score_entry.h"

namespace score_proofs {

inline constexpr size_t kMaxProofBytes = 256 * 1024;  // far beyond any record's size
inline constexpr size_t kMaxFileBytes = 100 * (kMaxProofBytes + 26) + 4;

// The file for these entries: the proof of every pending entry that has one; empty when none
// has (no file is needed then).
std::vector<uint8_t> encode(ScoreEntry* const* entries, int count);
// Gives each pending entry the first unused proof of its name and score in `file`. A damaged
// file gives no proofs at all: the scores then go up without one.
void attach(const std::vector<uint8_t>& file, ScoreEntry* const* entries, int count);

}  // namespace score_proofs
