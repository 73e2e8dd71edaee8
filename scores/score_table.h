// ScoreTable: the 100 best scores with names, highest first: where a new score enters, the
// lowest score, and the server's list merged in. Its owner holds one object: the table reads
// and writes its file (score_file.h), shows itself on its screen (score_screen.h) and goes
// through the online exchange (score_exchange.h) from here.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "scores/score_entry.h"
#include "scores/score_file.h"
#include "scores/score_screen.h"

class Canvas;
class TextImage;
struct ScoreListRecord;

class ScoreTable {
  public:
    static constexpr int kEntryCount = kScoreEntryCount;
    static constexpr int kVisibleRows = ScoreScreen::kVisibleRows;
    static constexpr int32_t kMaxTop = ScoreScreen::kMaxTop;
    static constexpr int kMaxNameLength = ScoreEntry::kMaxNameLength;

    ScoreTable();   // loads ScoreList.sav and with it musicOn and soundOn
    ~ScoreTable();  // writes ScoreList.sav
    ScoreTable(const ScoreTable&) = delete;
    ScoreTable& operator=(const ScoreTable&) = delete;

    // Reads ScoreList.sav again as a new table does (scrolled to the top, no upload ids). Rows
    // whose name and score stay the same keep their rendered texts.
    void reload();
    // Writes ScoreList.sav now, as the destructor does: not over a file that could not be read.
    void save() const { file_.save(entries_); }
    // Writes ScoreList.sav only when what it would hold differs from what this table last read
    // or wrote: for a program that can be ended at any moment, after every change.
    void saveIfChanged() const { file_.saveIfChanged(entries_); }

    // The new entry's index, or -1 when the score does not enter the table. `proof`: the record
    // of the game that made the score, if any.
    int insert(const std::u16string& name, uint32_t score, std::string proof = {});
    uint32_t lowestScore() const;
    // The server's list merged into the table (the rule at its definition).
    void takeList(const std::vector<ScoreListRecord>& records);

    // The high-score screen.
    void draw(Canvas* canvas) const { screen_.draw(canvas, entries_); }
    void scrollUp() { screen_.scrollUp(); }
    void scrollDown() { screen_.scrollDown(); }
    // Scrolls so that the entry shows in the middle rows (the first or last rows at the ends).
    void scrollToEntry(int index) { screen_.scrollToEntry(index); }

    // The online exchange with the score server (score_exchange.h); blocks until it ends.
    void synchronize();

    // Read access for the screen's owner, tools and tests. The texts of a row are rendered on
    // its first use (drawn or read here), not for all 100 rows at each load.
    const ScoreEntry& entry(int index) const;
    const TextImage* rankText(int index) const;
    int32_t topRow() const { return screen_.topRow(); }
    const std::string& filePath() const { return file_.path(); }
    // A row to change in place where no text shows it (the exchange marks the scores it sent).
    ScoreEntry& row(int index) { return *entries_[index]; }

  private:
    ScoreScreen screen_;
    ScoreFile file_;
    ScoreEntry* entries_[kEntryCount] = {};
};
