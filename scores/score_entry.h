// ScoreEntry: one row of the high-score table, its name and score with their rendered texts,
// and the rule every name in the table keeps.
#pragma once
#include <cstdint>
#include <string>

class TextImage;

// The table's rows: the records of its file and the ranks of its screen.
inline constexpr int kScoreEntryCount = 100;

struct ScoreEntry {
    static constexpr int kNameUnits = 9;  // up to 8 characters and a terminating zero
    static constexpr int kMaxNameLength = kNameUnits - 1;

    uint8_t pending = 0;  // 1: entered here and not yet replaced by the server's list
    char16_t name[kNameUnits] = {};
    uint32_t score = 0;
    // Sent with every upload of this pending score, so a server that got an upload whose answer
    // was lost records the retry once. Drawn at the first upload, kept until the score is no
    // longer pending; held in memory only (0: none yet).
    uint64_t uploadId = 0;
    // The record of the game that made this pending score, sent with it so the server can play
    // it again; empty when there is none. Kept in ScoreProofs.dat until the server answers.
    std::string proof;
    TextImage* nameText = nullptr;   // owned
    TextImage* scoreText = nullptr;  // owned
};

// Sets the name: at most 8 units, ending early at a zero, the units after it cleared.
void setEntryName(ScoreEntry& entry, const std::u16string& name);
// The units of the name before its terminating zero.
std::u16string entryName(const ScoreEntry& entry);
// Deletes the row's rendered texts, made again when the row is next shown.
void dropEntryTexts(ScoreEntry& entry);
