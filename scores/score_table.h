// ScoreTable: the 100 best scores with names, their file with the two sound switches, and the
// high-score screen.
#pragma once
#include <cstdint>
#include <string>

class Canvas;

class ScoreTable {
public:
    ScoreTable();           // loads ScoreList.sav and with it musicOn and soundOn
    virtual ~ScoreTable();  // writes ScoreList.sav
    ScoreTable(const ScoreTable&) = delete;
    ScoreTable& operator=(const ScoreTable&) = delete;

    void insert(const std::u16string& name, uint32_t score);
    void draw(Canvas* canvas) const;
    void scrollUp();
    void scrollDown();
    uint32_t lowestScore() const;

    // The online exchange with the score server; blocks until it ends.
    void synchronize();
};
