// ScoreEntry: one row of the high-score table, its name and score with their rendered texts.
#pragma once
#include <cstdint>
#include <string>

class TextImage;

struct ScoreEntry {
    static constexpr int kNameUnits = 9;  // up to 8 characters and a terminating zero

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
