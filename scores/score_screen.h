// ScoreScreen: the high-score screen, twelve rows of the table from its scroll position over the
// background, and the rendered texts of the rows' ranks, made when a row is first shown.
#pragma once
#include <cstdint>

#include "scores/score_entry.h"

class Canvas;
class Image;
class TextImage;

class ScoreScreen {
  public:
    static constexpr int kVisibleRows = 12;
    static constexpr int32_t kMaxTop = kScoreEntryCount - kVisibleRows;  // 88: entry 99 last

    ScoreScreen();  // loads the background
    ~ScoreScreen();
    ScoreScreen(const ScoreScreen&) = delete;
    ScoreScreen& operator=(const ScoreScreen&) = delete;

    // The rows shown from `entries`, the table's kScoreEntryCount rows in order.
    void draw(Canvas* canvas, ScoreEntry* const* entries) const;
    void scrollUp();
    void scrollDown();
    // Scrolls so that the entry shows in the middle rows (the first or last rows at the ends).
    void scrollToEntry(int index);
    void scrollToTop() { top_ = 0; }
    int32_t topRow() const { return top_; }

    // Renders the texts of the row at `index` and of its rank where they are not made yet.
    void makeTexts(ScoreEntry& entry, int index) const;
    // The rank's text once makeTexts has made it.
    const TextImage* rankText(int index) const { return rankTexts_[index]; }

  private:
    Image* background_ = nullptr;
    mutable TextImage* rankTexts_[kScoreEntryCount] = {};
    int32_t top_ = 0;
};
