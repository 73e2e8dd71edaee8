// BrickMap: the level table of BrickMap.dat (three levels of 16 rows by 11 cells), its
// readable text form and the rules a playable level table follows.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

class BrickMap {
  public:
    static constexpr int kLevels = 3;
    static constexpr int kRows = 16;
    static constexpr int kColumns = 11;
    static constexpr size_t kFileBytes = kLevels * kRows * kColumns * 4;  // 2112
    static constexpr int kMinPresentBricks = 5;  // five items are hidden in present bricks

    // Brick kinds as cell code / 10.
    enum Kind { Empty = 0, Stone, Metal, Gem, Hide, Stable, Fire };

    int32_t cell(int level, int row, int column) const { return cells[index(level, row, column)]; }
    void setCell(int level, int row, int column, int32_t code) {
        cells[index(level, row, column)] = code;
    }

    // The 2112-byte file: signed 32-bit little-endian cells, level by level, row by row.
    std::vector<uint8_t> toFile() const;
    // False (with a reason) unless the bytes are exactly one level table.
    bool fromFile(const std::vector<uint8_t>& bytes, std::string& error);

    // Text: a "level N" line before each level's 16 rows of 11 codes; '#' starts a comment.
    std::string toText() const;
    // Reads levels from one or more texts in order; `name` labels error messages.
    // Returns false on a syntax error. `levelsRead` counts the levels found so far.
    bool readText(const std::string& text, const std::string& name, int& levelsRead,
                  std::string& error);

    // The playability rules; one message per fault, empty when the table is fine.
    std::vector<std::string> validate() const;

    // A valid code: kinds 0 to 6, colours 0-9 for Stone, Metal and Gem, 0-2 for Hide, Stable
    // and Fire, and 0 for an empty cell.
    static bool validCode(int32_t code, std::string* why = nullptr);
    // Present bricks (any kind but Empty) and the ones that must be broken to clear a level.
    int presentBricks(int level) const;
    int countableBricks(int level) const;

  private:
    static size_t index(int level, int row, int column) {
        return (static_cast<size_t>(level) * kRows + row) * kColumns + column;
    }
    std::array<int32_t, kLevels * kRows * kColumns> cells{};
};
