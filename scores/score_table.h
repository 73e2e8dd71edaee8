// ScoreTable: the 100 best scores with names, their file with the two sound switches, and the
// high-score screen.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scores/score_entry.h"

class Canvas;
class Image;
class TextImage;
struct ScoreListRecord;

class ScoreTable {
  public:
    static constexpr int kEntryCount = 100;
    static constexpr int kVisibleRows = 12;
    static constexpr int32_t kMaxTop = kEntryCount - kVisibleRows;  // 88: entry 99 in the last row
    static constexpr int kMaxNameLength = ScoreEntry::kNameUnits - 1;

    ScoreTable();   // loads ScoreList.sav and with it musicOn and soundOn
    ~ScoreTable();  // writes ScoreList.sav
    ScoreTable(const ScoreTable&) = delete;
    ScoreTable& operator=(const ScoreTable&) = delete;

    // Reads ScoreList.sav again as a new table does (scrolled to the top, no upload ids). Rows
    // whose name and score stay the same keep their rendered texts.
    void reload();
    // Writes ScoreList.sav now, as the destructor does: not over a file that could not be read.
    void save() const;
    // Writes ScoreList.sav only when what it would hold differs from what this table last read
    // or wrote: for a program that can be ended at any moment, after every change.
    void saveIfChanged() const;

    // The new entry's index, or -1 when the score does not enter the table. `proof`: the record
    // of the game that made the score, if any.
    int insert(const std::u16string& name, uint32_t score, std::string proof = {});
    void draw(Canvas* canvas) const;
    void scrollUp();
    void scrollDown();
    // Scrolls so that the entry shows in the middle rows (the first or last rows at the ends).
    void scrollToEntry(int index);
    uint32_t lowestScore() const;

    // The online exchange with the score server; blocks until it ends.
    void synchronize();

    // Read access for the screen's owner, tools and tests. The texts of a row are rendered on
    // its first use (drawn or read here), not for all 100 rows at each load.
    const ScoreEntry& entry(int index) const;
    const TextImage* rankText(int index) const;
    int32_t topRow() const { return top_; }
    const std::string& filePath() const { return path_; }

  private:
    void load();
    // The server's list merged into the table (see score_sync.cpp for the rule).
    void takeList(const std::vector<ScoreListRecord>& records);
    std::vector<uint8_t> fileBytes() const;
    void saveProofs() const;
    void makeTexts(int index) const;
    static void deleteEntryTexts(ScoreEntry& entry);

    Image* background_ = nullptr;
    std::string path_;
    ScoreEntry* entries_[kEntryCount] = {};
    mutable TextImage* rankTexts_[kEntryCount] = {};
    int32_t top_ = 0;
    bool readFailed_ = false;  // the file exists but could not be read: it is not overwritten
    mutable std::vector<uint8_t> knownFile_;  // the file's bytes as last read or written here
    std::string proofsPath_;
    mutable std::vector<uint8_t> knownProofs_;  // ScoreProofs.dat as last read or written here
};
