// ScoreEntry: one row of the high-score table, its name and score with their rendered texts.
#pragma once
#include <cstdint>

class TextImage;

struct ScoreEntry {
    static constexpr int kNameUnits = 9;  // up to 8 characters and a terminating zero

    uint8_t pending = 0;  // 1: entered here and not yet replaced by the server's list
    char16_t name[kNameUnits] = {};
    uint32_t score = 0;
    TextImage* nameText = nullptr;   // owned
    TextImage* scoreText = nullptr;  // owned
};
