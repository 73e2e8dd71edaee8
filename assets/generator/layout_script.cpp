// LayoutScript: a line-based language, one command per line, '#' starts a comment, text in
// double quotes. See assets/README.md for the commands.
#include "layout_script.h"

#include <cctype>
#include <fstream>
#include <sstream>

#include "lettering.h"
#include "procedural.h"

namespace artgen {
namespace {

bool split(const std::string& text, std::vector<std::string>& words) {
    words.clear();
    size_t i = 0;
    while (i < text.size()) {
        if (std::isspace(static_cast<unsigned char>(text[i]))) {
            ++i;
        } else if (text[i] == '#' && (i + 1 >= text.size() ||
                                      !std::isxdigit(static_cast<unsigned char>(text[i + 1])))) {
            break;
        } else if (text[i] == '"') {
            size_t end = text.find('"', i + 1);
            if (end == std::string::npos) return false;
            // A quoted word keeps its opening quote as a marker. (Built by append: GCC 12 at -O3
            // warns falsely about "literal" + std::string.)
            std::string word(1, '"');
            word.append(text, i + 1, end - i - 1);
            words.push_back(std::move(word));
            i = end + 1;
        } else {
            size_t end = i;
            while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
            words.push_back(text.substr(i, end - i));
            i = end;
        }
    }
    return true;
}

bool isText(const std::string& word) {
    return !word.empty() && word[0] == '"';
}
std::string textOf(const std::string& word) {
    return word.substr(1);
}

bool parseAlign(const std::string& word, Align& out) {
    if (word == "left")
        out = Align::Left;
    else if (word == "center")
        out = Align::Center;
    else if (word == "right")
        out = Align::Right;
    else
        return false;
    return true;
}

}  // namespace

bool LayoutScript::fail(const std::string& what) {
    // The first reason wins: a bad colour or number is more telling than the usage line.
    if (message.empty()) message = file + ":" + std::to_string(line) + ": " + what;
    return false;
}

bool LayoutScript::colour(const std::string& word, uint32_t& out) {
    if (word.size() == 7 && word[0] == '#') {
        for (size_t i = 1; i < 7; ++i)
            if (!std::isxdigit(static_cast<unsigned char>(word[i])))
                return fail("bad colour " + word);
        out = static_cast<uint32_t>(std::stoul(word.substr(1), nullptr, 16));
        return true;
    }
    auto it = palette.find(word);
    if (it == palette.end()) return fail("unknown colour " + word);
    out = it->second;
    return true;
}

bool LayoutScript::number(const std::string& word, int& out) {
    // Sums and differences like 88-20+4 keep layouts readable.
    size_t i = 0;
    int total = 0;
    int sign = 1;
    if (word.empty()) return fail("missing number");
    while (i < word.size()) {
        if (word[i] == '-' || word[i] == '+') {
            sign = word[i] == '-' ? -1 : 1;
            ++i;
        }
        size_t start = i;
        while (i < word.size() && std::isdigit(static_cast<unsigned char>(word[i]))) ++i;
        if (start == i) return fail("bad number " + word);
        total += sign * std::stoi(word.substr(start, i - start));
        sign = 1;
    }
    out = total;
    return true;
}

bool LayoutScript::numbers(const std::vector<std::string>& words, size_t from, size_t count,
                           int* out) {
    if (words.size() < from + count) return fail("'" + words[0] + "' needs more arguments");
    for (size_t k = 0; k < count; ++k)
        if (!number(words[from + k], out[k])) return false;
    return true;
}

void LayoutScript::drawGrid(const Grid& grid, int x, int y, const std::vector<uint32_t>& ramp,
                            int scale) {
    for (size_t j = 0; j < grid.rows.size(); ++j)
        for (size_t i = 0; i < grid.rows[j].size(); ++i) {
            char c = grid.rows[j][i];
            uint32_t col = kClear;
            if (c >= '1' && c <= '9' && static_cast<size_t>(c - '1') < ramp.size())
                col = ramp[c - '1'];
            else if (auto it = grid.legend.find(c); it != grid.legend.end())
                col = it->second;
            if (col != kClear)
                current.picture.fillRect(x + static_cast<int>(i) * scale,
                                         y + static_cast<int>(j) * scale, scale, scale, col);
        }
}

bool LayoutScript::finishPicture() {
    if (!inPicture) return true;
    inPicture = false;
    const Picture& p = current.picture;
    for (int y = 0; y < p.height(); ++y)
        for (int x = 0; x < p.width(); ++x) {
            uint32_t key = current.key;
            for (auto& r : current.keyRegions)
                if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) key = r.key;
            if (key == kClear) continue;
            uint32_t c = p.at(x, y);
            if (c != key && gamePixel(c) == gamePixel(key)) {
                std::ostringstream s;
                s << "picture " << currentId << " (" << current.source << "): pixel (" << x << ", "
                  << y << ") looks like its transparent colour";
                message = s.str();
                return false;
            }
        }
    if (currentId == 0) {
        iconPicture = current.picture;
    } else {
        pictures[currentId] = current;
    }
    return true;
}

bool LayoutScript::run(const std::string& path) {
    std::ifstream in(path);
    file = path;
    line = 0;
    message.clear();
    gridRowsLeft = 0;  // a grid never continues into another file, even after an error
    if (!in) return fail("cannot open");
    std::string text;
    std::vector<std::string> words;
    while (std::getline(in, text)) {
        ++line;
        if (gridRowsLeft > 0) {
            // Grid rows are taken literally (a '#' here is a pixel, not a comment).
            size_t start = text.find_first_not_of(" \t");
            std::string row = start == std::string::npos ? "" : text.substr(start);
            while (!row.empty() && std::isspace(static_cast<unsigned char>(row.back())))
                row.pop_back();
            if (static_cast<int>(row.size()) != gridWidth)
                return fail("grid " + gridName + ": row is " + std::to_string(row.size()) +
                            " wide, expected " + std::to_string(gridWidth));
            grids[gridName].rows.push_back(row);
            --gridRowsLeft;
            continue;
        }
        message.clear();
        if (!split(text, words)) return fail("unterminated text");
        if (words.empty()) continue;
        if (!command(words)) return false;
    }
    if (gridRowsLeft > 0) return fail("grid " + gridName + " is cut short");
    return finishPicture();
}

bool LayoutScript::command(const std::vector<std::string>& w) {
    const std::string& op = w[0];
    int n[8];
    uint32_t c1 = 0, c2 = 0, c3 = 0;

    // Definitions, allowed anywhere.
    if (op == "colour") {
        if (w.size() != 3) return fail("colour NAME #RRGGBB");
        if (!colour(w[2], c1)) return false;
        palette[w[1]] = c1;
        return true;
    }
    if (op == "ramp") {
        if (w.size() < 3) return fail("ramp NAME COLOUR...");
        std::vector<uint32_t> r;
        for (size_t k = 2; k < w.size(); ++k) {
            if (!colour(w[k], c1)) return false;
            r.push_back(c1);
        }
        ramps[w[1]] = r;
        return true;
    }
    if (op == "legend") {
        if (w.size() != 3 || w[1].size() != 1) return fail("legend CHAR COLOUR|clear");
        if (w[2] == "clear") {
            legend[w[1][0]] = kClear;
        } else {
            if (!colour(w[2], c1)) return false;
            legend[w[1][0]] = c1;
        }
        return true;
    }
    if (op == "grid") {
        if (w.size() != 4 || !numbers(w, 2, 2, n)) return fail("grid NAME WIDTH HEIGHT");
        gridName = w[1];
        gridWidth = n[0];
        gridRowsLeft = n[1];
        grids[gridName] = Grid{{}, legend};
        return true;
    }
    if (op == "picture") {
        if (!finishPicture()) return false;
        if (!numbers(w, 1, 4, n)) return false;
        if (n[3] != 8 && n[3] != 24) return fail("depth must be 8 or 24");
        current = Resource{};
        currentId = n[0];
        current.picture = Picture(n[1], n[2], 0);
        current.depth = n[3];
        current.source = file + ":" + std::to_string(line);
        if (w.size() == 7 && w[5] == "key") {
            if (!colour(w[6], current.key)) return false;
            current.picture.fillRect(0, 0, n[1], n[2], current.key);
        } else if (w.size() != 5) {
            return fail("picture ID WIDTH HEIGHT DEPTH [key COLOUR]");
        }
        inPicture = true;
        return true;
    }
    if (op == "icon") {  // the icon's master picture, drawn like any other
        if (!finishPicture()) return false;
        if (!numbers(w, 1, 2, n)) return false;
        current = Resource{};
        currentId = 0;
        current.picture = Picture(n[0], n[1], 0);
        current.depth = 24;
        current.source = file + ":" + std::to_string(line);
        inPicture = true;
        return true;
    }
    if (!inPicture) return fail("'" + op + "' outside a picture");
    Picture& p = current.picture;

    if (op == "keyregion") {
        if (!numbers(w, 1, 4, n) || w.size() != 6 || !colour(w[5], c1)) return false;
        current.keyRegions.push_back({n[0], n[1], n[2], n[3], c1});
        return true;
    }
    if (op == "fill") {
        if (w.size() != 2 || !colour(w[1], c1)) return fail("fill COLOUR");
        p.fillRect(0, 0, p.width(), p.height(), c1);
        return true;
    }
    if (op == "rect" || op == "frame") {
        if (!numbers(w, 1, 4, n) || w.size() != 6 || !colour(w[5], c1))
            return fail(op + " X Y W H COLOUR");
        if (op == "rect")
            p.fillRect(n[0], n[1], n[2], n[3], c1);
        else
            p.frameRect(n[0], n[1], n[2], n[3], c1);
        return true;
    }
    if (op == "round") {
        if (!numbers(w, 1, 5, n) || w.size() != 7 || !colour(w[6], c1))
            return fail("round X Y W H RADIUS COLOUR");
        p.roundRect(n[0], n[1], n[2], n[3], n[4], c1);
        return true;
    }
    if (op == "pixel") {
        if (!numbers(w, 1, 2, n) || w.size() != 4 || !colour(w[3], c1))
            return fail("pixel X Y COLOUR");
        p.set(n[0], n[1], c1);
        return true;
    }
    if (op == "disc") {
        if (!numbers(w, 1, 3, n) || w.size() != 5 || !colour(w[4], c1))
            return fail("disc X Y R COLOUR");
        p.disc(n[0], n[1], n[2], c1);
        return true;
    }
    if (op == "backdrop") {
        // backdrop X Y W H TOP BOTTOM GRID STEP STAR COUNT SEED
        if (w.size() != 12 || !numbers(w, 1, 4, n) || !colour(w[5], c1) || !colour(w[6], c2) ||
            !colour(w[7], c3) || !number(w[8], n[4]))
            return fail("backdrop X Y W H TOP BOTTOM GRID STEP STAR COUNT SEED");
        uint32_t star = 0;
        if (!colour(w[9], star) || !number(w[10], n[5]) || !number(w[11], n[6])) return false;
        drawBackdrop(p, n[0], n[1], n[2], n[3], c1, c2, c3, n[4], star, n[5],
                     static_cast<unsigned>(n[6]));
        return true;
    }
    if (op == "panel") {
        if (w.size() != 8 || !numbers(w, 1, 4, n) || !colour(w[5], c1) || !colour(w[6], c2) ||
            !colour(w[7], c3))
            return fail("panel X Y W H FILL BORDER LIGHT");
        drawPanel(p, n[0], n[1], n[2], n[3], c1, c2, c3);
        return true;
    }
    if (op == "text" || op == "title") {
        // text X Y ALIGN COLOUR [SHADOW] "..."; title X Y ALIGN TOP BOTTOM SHADOW "..."
        Align align;
        if (w.size() < 6 || !numbers(w, 1, 2, n) || !parseAlign(w[3], align) || !isText(w.back()))
            return fail(op + " X Y ALIGN COLOURS \"TEXT\"");
        std::string t = textOf(w.back());
        if (op == "text") {
            uint32_t shadow = kClear;
            if (!colour(w[4], c1)) return false;
            if (w.size() == 7 && !colour(w[5], shadow)) return false;
            drawSmallText(p, alignedLeft(n[0], smallTextWidth(t), align), n[1], t, c1, shadow);
        } else {
            if (w.size() != 8 || !colour(w[4], c1) || !colour(w[5], c2) || !colour(w[6], c3))
                return fail("title X Y ALIGN TOP BOTTOM SHADOW \"TEXT\"");
            drawTitleText(p, alignedLeft(n[0], titleTextWidth(t), align), n[1], t, c1, c2, c3);
        }
        return true;
    }
    if (op == "logo") {
        // logo X Y ALIGN SCALE TOP BOTTOM SHADOW "TEXT": the title font enlarged.
        Align align;
        if (w.size() != 9 || !numbers(w, 1, 2, n) || !parseAlign(w[3], align) ||
            !number(w[4], n[2]) || !colour(w[5], c1) || !colour(w[6], c2) || !colour(w[7], c3) ||
            !isText(w[8]) || n[2] < 1)
            return fail("logo X Y ALIGN SCALE TOP BOTTOM SHADOW \"TEXT\"");
        std::string t = textOf(w[8]);
        Picture small(titleTextWidth(t) + 1, kTitleHeight, kClear);
        drawTitleText(small, 0, 0, t, c1, c2, c3);
        Picture big = small.scaled(n[2]);
        p.blit(big, 0, 0, big.width(), big.height(),
               alignedLeft(n[0], titleTextWidth(t) * n[2], align), n[1], kClear);
        return true;
    }
    if (op == "smalldigit") {
        if (w.size() != 7 || !numbers(w, 1, 3, n) || !colour(w[4], c1) || !colour(w[5], c2) ||
            !colour(w[6], c3))
            return fail("smalldigit X Y DIGIT FILL LIGHT SHADOW");
        drawSmallDigit(p, n[0], n[1], n[2], c1, c2, c3);
        return true;
    }
    if (op == "bigdigit") {
        if (w.size() != 7 || !numbers(w, 1, 3, n) || !colour(w[4], c1) || !colour(w[5], c2) ||
            !colour(w[6], c3))
            return fail("bigdigit X Y DIGIT TOP BOTTOM SHADOW");
        drawBigDigit(p, n[0], n[1], n[2], c1, c2, c3);
        return true;
    }
    if (op == "art") {
        // art NAME X Y [RAMP] [xSCALE]
        if (w.size() < 4 || !numbers(w, 2, 2, n)) return fail("art NAME X Y [RAMP] [xSCALE]");
        auto g = grids.find(w[1]);
        if (g == grids.end()) return fail("unknown grid " + w[1]);
        std::vector<uint32_t> ramp;
        int scale = 1;
        for (size_t k = 4; k < w.size(); ++k) {
            if (w[k][0] == 'x') {
                if (!number(w[k].substr(1), scale)) return false;
            } else {
                auto r = ramps.find(w[k]);
                if (r == ramps.end()) return fail("unknown ramp " + w[k]);
                ramp = r->second;
            }
        }
        drawGrid(g->second, n[0], n[1], ramp, scale);
        return true;
    }
    if (op == "brick") {
        // brick STYLE X Y BASE STAGE CRACK
        BrickStyle style;
        if (w.size() != 7 || !parseBrickStyle(w[1], style) || !numbers(w, 2, 2, n) ||
            !colour(w[4], c1) || !number(w[5], n[2]) || !colour(w[6], c2))
            return fail("brick STYLE X Y BASE STAGE CRACK");
        drawBrick(p, style, n[0], n[1], c1, n[2], c2);
        return true;
    }
    if (op == "ball") {
        if (w.size() != 7 || !numbers(w, 1, 3, n) || !colour(w[4], c1) || !colour(w[5], c2) ||
            !colour(w[6], c3))
            return fail("ball X Y FRAME CORE BODY RIM");
        drawBall(p, n[0], n[1], n[2], c1, c2, c3);
        return true;
    }
    if (op == "capsule") {
        if (w.size() != 4 || !numbers(w, 1, 2, n) || !colour(w[3], c1))
            return fail("capsule X Y COLOUR");
        drawCapsule(p, n[0], n[1], c1);
        return true;
    }
    if (op == "explosion") {
        drawExplosion(p);
        return true;
    }
    if (op == "copy") {
        // copy ID SX SY W H DX DY [KEY]
        if (w.size() < 8 || !numbers(w, 1, 7, n)) return fail("copy ID SX SY W H DX DY [KEY]");
        auto src = pictures.find(n[0]);
        if (src == pictures.end()) return fail("picture " + w[1] + " is not made yet");
        uint32_t key = kClear;
        if (w.size() == 9 && !colour(w[8], key)) return false;
        p.blit(src->second.picture, n[1], n[2], n[3], n[4], n[5], n[6], key);
        return true;
    }
    return fail("unknown command '" + op + "'");
}

}  // namespace artgen
