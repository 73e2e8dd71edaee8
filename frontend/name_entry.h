// NameEntry: a 10 x 4 character grid (digits, A-Z, space, delete) and a name of up to 8.
#pragma once
#include <cstdint>

class Canvas;
class Image;

class NameEntry {
  public:
    static constexpr int kColumns = 10;
    static constexpr int kRows = 4;
    static constexpr int kMaxLength = 8;

    NameEntry();
    ~NameEntry();
    NameEntry(const NameEntry&) = delete;
    NameEntry& operator=(const NameEntry&) = delete;

    void draw(Canvas* canvas) const;
    void moveUp();
    void moveDown();
    void moveLeft();
    void moveRight();
    void pick();
    // A typed character: a digit or letter (either case) puts the cursor on its cell and picks
    // it; Backspace deletes the last character. False, and nothing changes, for any other.
    // The typed character is entered once: pick (the action key: Enter or Space on a keyboard)
    // enters nothing while the cursor rests where typing put it, until the cursor moves.
    bool type(char32_t c);
    // The cursor onto the cell drawn at a frame pixel; false, and nothing changes, where there
    // is none (off the grid, the two empty cells).
    bool pointAt(int x, int y);
    // The name built from the entered cells, zero-terminated, at most 8 characters.
    const char16_t* text();
    // An empty name with the cursor on the first cell, for a new high score.
    void reset();
    // Done with no character yet: every cell of the grid lights up until the next key.
    void promptForCharacter() { prompting_ = true; }

    int32_t column() const { return column_; }
    int32_t row() const { return row_; }
    int32_t length() const { return length_; }
    bool prompting() const { return prompting_; }

  private:
    struct Cell {
        int32_t column, row;
    };

    Image* background_;
    Image* gridImage_;
    int32_t column_ = 0;
    int32_t row_ = 0;
    int32_t length_ = 0;
    bool prompting_ = false;
    bool typed_ = false;  // the cursor rests on the cell the last typed character entered
    char16_t name_[kMaxLength + 1] = {};
    Cell entries_[kMaxLength] = {};
};
