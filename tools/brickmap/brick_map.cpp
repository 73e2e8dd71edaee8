// BrickMap: binary and text forms of the level table, and its validation.
#include "brick_map.h"

#include <climits>
#include <sstream>

#include "platform/little_endian.h"

namespace {

int kindOf(int32_t code) {
    return code / 10;
}
int colourOf(int32_t code) {
    return code % 10;
}

std::string place(int level, int row, int column) {
    return "level " + std::to_string(level + 1) + ", row " + std::to_string(row) + ", column " +
           std::to_string(column);
}

}  // namespace

std::vector<uint8_t> BrickMap::toFile() const {
    std::vector<uint8_t> out;
    out.reserve(kFileBytes);
    for (int32_t c : cells) le::append32(out, static_cast<uint32_t>(c));
    return out;
}

bool BrickMap::fromFile(const std::vector<uint8_t>& bytes, std::string& error) {
    if (bytes.size() != kFileBytes) {
        error = "a level file holds exactly " + std::to_string(kFileBytes) + " bytes, this one " +
                std::to_string(bytes.size());
        return false;
    }
    for (size_t i = 0; i < cells.size(); ++i)
        cells[i] = static_cast<int32_t>(le::read32(bytes.data() + 4 * i));
    return true;
}

std::string BrickMap::toText() const {
    std::ostringstream out;
    for (int l = 0; l < kLevels; ++l) {
        out << "level " << l + 1 << "\n";
        for (int r = 0; r < kRows; ++r) {
            for (int c = 0; c < kColumns; ++c) {
                int32_t v = cell(l, r, c);
                if (c) out << ' ';
                if (v >= 0 && v < 10) out << '0';
                out << v;
            }
            out << "\n";
        }
    }
    return out.str();
}

bool BrickMap::readText(const std::string& text, const std::string& name, int& levelsRead,
                        std::string& error) {
    std::istringstream in(text);
    std::string line;
    int lineNo = 0;
    int row = kRows;  // rows read of the current level; kRows: expecting a "level" line
    auto fail = [&](const std::string& what) {
        error = name + ":" + std::to_string(lineNo) + ": " + what;
        return false;
    };
    while (std::getline(in, line)) {
        ++lineNo;
        if (size_t hash = line.find('#'); hash != std::string::npos) line.resize(hash);
        std::istringstream words(line);
        std::string first;
        if (!(words >> first)) continue;
        if (first == "level") {
            if (row != kRows)
                return fail("level " + std::to_string(levelsRead) + " has only " +
                            std::to_string(row) + " of its 16 rows");
            int number = 0;
            if (!(words >> number) || number != levelsRead + 1)
                return fail("expected \"level " + std::to_string(levelsRead + 1) + "\"");
            if (levelsRead == kLevels) return fail("more than three levels");
            ++levelsRead;
            row = 0;
            continue;
        }
        if (row == kRows) return fail("cells outside a level; start each level with \"level N\"");
        std::vector<int32_t> codes;
        std::istringstream all(line);
        std::string word;
        while (all >> word) {
            size_t used = 0;
            long v = 0;
            try {
                v = std::stol(word, &used);
            } catch (...) {
                used = 0;
            }
            if (used != word.size() || v < INT32_MIN || v > INT32_MAX)
                return fail("\"" + word + "\" is not a cell code");
            codes.push_back(static_cast<int32_t>(v));
        }
        if (codes.size() != kColumns)
            return fail("a row holds 11 cells, this one " + std::to_string(codes.size()));
        for (int c = 0; c < kColumns; ++c) setCell(levelsRead - 1, row, c, codes[c]);
        ++row;
    }
    if (row != kRows && levelsRead > 0)
        return fail("level " + std::to_string(levelsRead) + " has only " + std::to_string(row) +
                    " of its 16 rows");
    return true;
}

bool BrickMap::validCode(int32_t code, std::string* why) {
    auto reason = [why](const std::string& text) {
        if (why) *why = text;
        return false;
    };
    if (code < 0 || code > 69) return reason("code " + std::to_string(code) + " is not 00 to 69");
    int kind = kindOf(code);
    int colour = colourOf(code);
    if (kind == Empty && colour != 0) return reason("an empty cell is written 00");
    if ((kind == Hide || kind == Stable || kind == Fire) && colour > 2) {
        static const char* kNames[] = {"", "", "", "", "Hide", "Stable", "Fire"};
        return reason(std::string(kNames[kind]) + " bricks have colours 0 to 2, not " +
                      std::to_string(colour));
    }
    return true;
}

int BrickMap::presentBricks(int level) const {
    int n = 0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            int kind = kindOf(cell(level, r, c));
            if (cell(level, r, c) > 0 && kind >= Stone && kind <= Fire) ++n;
        }
    return n;
}

int BrickMap::countableBricks(int level) const {
    int n = 0;
    for (int r = 0; r < kRows; ++r)
        for (int c = 0; c < kColumns; ++c) {
            int32_t v = cell(level, r, c);
            int kind = kindOf(v);
            if (v > 0 && kind >= Stone && kind <= Fire && kind != Stable) ++n;
        }
    return n;
}

std::vector<std::string> BrickMap::validate() const {
    std::vector<std::string> faults;
    for (int l = 0; l < kLevels; ++l) {
        bool codesOk = true;
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                std::string why;
                if (!validCode(cell(l, r, c), &why)) {
                    faults.push_back(place(l, r, c) + ": " + why);
                    codesOk = false;
                }
            }
        if (!codesOk) continue;
        int present = presentBricks(l);
        if (present < kMinPresentBricks)
            faults.push_back("level " + std::to_string(l + 1) + " has " + std::to_string(present) +
                             " bricks; at least 5 are needed to hide the items");
        if (countableBricks(l) == 0)
            faults.push_back("level " + std::to_string(l + 1) +
                             " has no brick to break (Stable bricks do not count)");
        // A ball comes from below and breaks its way in; only Stable bricks stand in its way.
        bool reached[kRows][kColumns] = {};
        std::vector<std::pair<int, int>> todo;
        for (int c = 0; c < kColumns; ++c)
            if (kindOf(cell(l, kRows - 1, c)) != Stable) {
                reached[kRows - 1][c] = true;
                todo.push_back({kRows - 1, c});
            }
        while (!todo.empty()) {
            auto [r, c] = todo.back();
            todo.pop_back();
            const int steps[4][2] = {{-1, 0}, {1, 0}, {0, -1}, {0, 1}};
            for (auto& s : steps) {
                int nr = r + s[0];
                int nc = c + s[1];
                if (nr < 0 || nr >= kRows || nc < 0 || nc >= kColumns || reached[nr][nc]) continue;
                if (kindOf(cell(l, nr, nc)) == Stable) continue;
                reached[nr][nc] = true;
                todo.push_back({nr, nc});
            }
        }
        for (int r = 0; r < kRows; ++r)
            for (int c = 0; c < kColumns; ++c) {
                int32_t v = cell(l, r, c);
                if (v > 0 && kindOf(v) != Stable && !reached[r][c])
                    faults.push_back(
                        place(l, r, c) +
                        ": this brick is walled in by Stable bricks and cannot be reached");
            }
    }
    return faults;
}
