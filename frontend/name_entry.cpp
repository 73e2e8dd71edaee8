// NameEntry: cursor moves that skip the two empty cells of the last row, pick and text.
#include "frontend/name_entry.h"

#include "assets/resource_ids.h"
#include "frontend/screen_variants.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "platform/window.h"

namespace {
constexpr int kCellWidth = 16, kCellHeight = 20;
constexpr int kGridX = 8, kGridY = 65;      // where the grid lies on the background
constexpr int kFieldX = 25, kFieldY = 153;  // the entry field
constexpr uint32_t kPureBlue = 0xFF0000;
constexpr int kLastRow = 3;
constexpr int kSpaceColumn = 6;  // the space cell the cursor rests on
constexpr int kBlankColumn = 7;  // the blank cell a space is stored as
constexpr int kDeleteColumn = 8;
}  // namespace

NameEntry::NameEntry()
    : background_(new Image(instanceHandle, resource::kNameEntry)),
      gridImage_(new Image(instanceHandle, resource::kNameEntryGrid)) {
    adaptScreen(background_, resource::kNameEntry);
}

NameEntry::~NameEntry() {
    delete background_;
    delete gridImage_;
}

void NameEntry::draw(Canvas* canvas) const {
    canvas->drawImage(0, 0, px(176), px(220), background_, 0, 0, NO_KEY);
    if (prompting_) {
        canvas->drawImage(px(kGridX), px(kGridY), px(kCellWidth * kColumns),
                          px(kCellHeight * kRows), gridImage_, 0, 0, kPureBlue);
    } else {
        canvas->drawImage(px(kCellWidth * column_ + kGridX), px(kCellHeight * row_ + kGridY),
                          px(kCellWidth), px(kCellHeight), gridImage_, px(kCellWidth * column_),
                          px(kCellHeight * row_), kPureBlue);
    }
    for (int i = 0; i < length_; ++i) {
        canvas->drawImage(px(kCellWidth * i + kFieldX), px(kFieldY), px(kCellWidth),
                          px(kCellHeight), gridImage_, px(kCellWidth * entries_[i].column),
                          px(kCellHeight * entries_[i].row), kPureBlue);
    }
}

void NameEntry::moveLeft() {
    prompting_ = false;
    typed_ = false;
    if (row_ == kLastRow && (column_ == kDeleteColumn || column_ == 0)) {
        column_ -= 2;
        if (column_ < 0) column_ += kColumns;
    } else {
        column_ = column_ == 0 ? kColumns - 1 : column_ - 1;
    }
}

void NameEntry::moveRight() {
    prompting_ = false;
    typed_ = false;
    if (row_ == kLastRow && (column_ == kSpaceColumn || column_ == kDeleteColumn)) {
        column_ += 2;
        if (column_ >= kColumns) column_ -= kColumns;
    } else {
        column_ = column_ == kColumns - 1 ? 0 : column_ + 1;
    }
}

void NameEntry::moveUp() {
    prompting_ = false;
    typed_ = false;
    if (row_ == 0 && (column_ == kBlankColumn || column_ == kColumns - 1)) {
        row_ = 2;
    } else {
        row_ = row_ == 0 ? kLastRow : row_ - 1;
    }
}

void NameEntry::moveDown() {
    prompting_ = false;
    typed_ = false;
    if (row_ == 2 && (column_ == kBlankColumn || column_ == kColumns - 1)) {
        row_ = 0;
    } else {
        row_ = row_ == kLastRow ? 0 : row_ + 1;
    }
}

void NameEntry::pick() {
    prompting_ = false;
    // A keyboard player ends a typed name with Enter or Space: the last letter is not doubled.
    if (typed_) return;
    if (column_ == kDeleteColumn && row_ == kLastRow) {
        if (length_ > 0) length_ = length_ - 1;
        return;
    }
    if (length_ == kMaxLength) return;
    const bool space = column_ == kSpaceColumn && row_ == kLastRow;
    entries_[length_] = Cell{space ? kBlankColumn : column_, row_};
    length_ = length_ + 1;
}

bool NameEntry::pointAt(int x, int y) {
    if (x < kGridX || y < kGridY) return false;
    const int column = (x - kGridX) / kCellWidth;
    const int row = (y - kGridY) / kCellHeight;
    if (column >= kColumns || row >= kRows) return false;
    if (row == kLastRow && (column == kBlankColumn || column == kColumns - 1)) return false;
    prompting_ = false;
    typed_ = false;
    column_ = column;
    row_ = row;
    return true;
}

bool NameEntry::type(char32_t c) {
    if (c == platform::kCharBackspace) {
        prompting_ = false;
        if (length_ > 0) length_ = length_ - 1;
        return true;
    }
    if (c >= U'a' && c <= U'z') c = c - U'a' + U'A';
    int index = 0;
    if (c >= U'0' && c <= U'9') {
        index = static_cast<int>(c - U'0');
    } else if (c >= U'A' && c <= U'Z') {
        index = kColumns + static_cast<int>(c - U'A');
    } else {
        return false;
    }
    column_ = index % kColumns;
    row_ = index / kColumns;
    typed_ = false;
    pick();
    typed_ = true;
    return true;
}

const char16_t* NameEntry::text() {
    for (int i = 0; i < length_; ++i) {
        const Cell c = entries_[i];
        if (c.row == 0) {
            name_[i] = static_cast<char16_t>(u'0' + c.column);
        } else if (c.column == kBlankColumn && c.row == kLastRow) {
            name_[i] = u' ';
        } else {
            name_[i] = static_cast<char16_t>(u'A' + 10 * (c.row - 1) + c.column);
        }
    }
    name_[length_] = 0;
    return name_;
}

void NameEntry::reset() {
    prompting_ = false;
    typed_ = false;
    column_ = 0;
    row_ = 0;
    length_ = 0;
    name_[0] = 0;
}
