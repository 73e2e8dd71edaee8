// Lettering: every font is built from the game's own 5 x 7 glyphs, so all text on every
// picture shares one letterform; the larger fonts stretch its strokes.
#include "lettering.h"

#include <array>
#include <cctype>
#include <cstring>
#include <vector>

#include "platform/common/pixel_font.h"

namespace artgen {
namespace {

// A glyph as a boolean mask.
struct Mask {
    int w = 0;
    int h = 0;
    std::vector<bool> on;
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < w && y < h && on[static_cast<size_t>(y) * w + x];
    }
};

bool smallBit(char32_t c, int column, int row) {
    const platform::Glyph& g = platform::glyphFor(c);
    return (g.rows[row] >> (platform::kFontGlyphWidth - 1 - column)) & 1;
}

// Stretches the 5 x 7 capital area: column c becomes widths[c] pixels, row r heights[r]
// pixels, then every stroke is thickened one pixel to the right (and down when asked).
template <size_t C, size_t R>
Mask stretch(char32_t c, const std::array<int, C>& widths, const std::array<int, R>& heights,
             bool thickenDown) {
    Mask m;
    for (int wd : widths) m.w += wd;
    for (int ht : heights) m.h += ht;
    m.w += 1;
    m.h += thickenDown ? 1 : 0;
    m.on.assign(static_cast<size_t>(m.w) * m.h, false);
    int y = 0;
    for (size_t r = 0; r < R; ++r) {
        int x = 0;
        for (size_t col = 0; col < C; ++col) {
            if (smallBit(c, static_cast<int>(col), static_cast<int>(r)))
                for (int j = 0; j < heights[r] + (thickenDown ? 1 : 0); ++j)
                    for (int i = 0; i < widths[col] + 1; ++i)
                        m.on[static_cast<size_t>(y + j) * m.w + x + i] = true;
            x += widths[col];
        }
        y += heights[r];
    }
    return m;
}

// Letters whose diagonals do not survive the stretching, drawn by hand (7 x 10, bold stems).
const char* const kHandDrawnM[] = {"##...##", "###.###", "#######", "##.#.##", "##...##",
                                   "##...##", "##...##", "##...##", "##...##", "##...##"};
const char* const kHandDrawnN[] = {"##...##", "##...##", "###..##", "####.##", "##.#.##",
                                   "##.####", "##..###", "##...##", "##...##", "##...##"};
const char* const kHandDrawnW[] = {"##...##", "##...##", "##...##", "##...##", "##...##",
                                   "##.#.##", "##.#.##", "#######", "###.###", "##...##"};

// G and 6 come out alike when stretched; these keep them apart (6 x 10).
const char* const kHandDrawnG[] = {".####.", "######", "##....", "##....", "##.###",
                                   "##.###", "##..##", "##..##", "######", ".####."};
const char* const kHandDrawn6[] = {"..###.", ".####.", "##....", "##....", "#####.",
                                   "######", "##..##", "##..##", "######", ".####."};

Mask handDrawn(const char* const* rows) {
    Mask m;
    m.w = static_cast<int>(std::strlen(rows[0]));
    m.h = 10;
    for (int y = 0; y < m.h; ++y)
        for (int x = 0; x < m.w; ++x) m.on.push_back(rows[y][x] == '#');
    return m;
}

Mask titleGlyph(char32_t c) {
    if (c == 'M') return handDrawn(kHandDrawnM);
    if (c == 'N') return handDrawn(kHandDrawnN);
    if (c == 'W') return handDrawn(kHandDrawnW);
    if (c == 'G') return handDrawn(kHandDrawnG);
    if (c == '6') return handDrawn(kHandDrawn6);
    // Cap height 10: the top, middle and bottom strokes are two pixels thick.
    static constexpr std::array<int, 5> kWidths = {1, 1, 1, 1, 1};
    static constexpr std::array<int, 7> kHeights = {2, 1, 1, 2, 1, 1, 2};
    return stretch(c, kWidths, kHeights, false);
}

Mask bigGlyph(char32_t c) {
    static constexpr std::array<int, 5> kWidths = {3, 2, 2, 2, 3};
    static constexpr std::array<int, 7> kHeights = {2, 2, 2, 2, 2, 2, 2};
    return stretch(c, kWidths, kHeights, true);
}

Mask smallDigitGlyph(char32_t c) {
    // 7 x 10 inside the 8 x 12 cell, leaving one column and row for the shadow and a gap.
    static constexpr std::array<int, 5> kWidths = {1, 1, 2, 1, 1};
    static constexpr std::array<int, 7> kHeights = {2, 1, 1, 2, 1, 1, 2};
    return stretch(c, kWidths, kHeights, false);
}

// Draws a mask with its shadow, the body shaded from top to bottom.
void drawMask(Picture& p, int x, int y, const Mask& m, uint32_t top, uint32_t bottom,
              uint32_t shadow) {
    if (shadow != kClear)
        for (int j = 0; j < m.h; ++j)
            for (int i = 0; i < m.w; ++i)
                if (m.at(i, j) && !m.at(i + 1, j + 1)) p.set(x + i + 1, y + j + 1, shadow);
    for (int j = 0; j < m.h; ++j) {
        uint32_t colour = m.h > 1 ? mix(top, bottom, static_cast<double>(j) / (m.h - 1)) : top;
        for (int i = 0; i < m.w; ++i)
            if (m.at(i, j)) p.set(x + i, y + j, colour);
    }
}

}  // namespace

int smallTextWidth(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * kSmallAdvance - 1;
}

int titleTextWidth(const std::string& text) {
    return text.empty() ? 0 : static_cast<int>(text.size()) * kTitleAdvance - 1;
}

int alignedLeft(int x, int width, Align align) {
    switch (align) {
        case Align::Center:
            return x - width / 2;
        case Align::Right:
            return x - width;
        default:
            return x;
    }
}

void drawSmallText(Picture& p, int x, int y, const std::string& text, uint32_t colour,
                   uint32_t shadow) {
    for (size_t k = 0; k < text.size(); ++k) {
        char32_t c = static_cast<unsigned char>(text[k]);
        int gx = x + static_cast<int>(k) * kSmallAdvance;
        for (int pass = shadow == kClear ? 1 : 0; pass < 2; ++pass)
            for (int r = 0; r < platform::kFontCellHeight; ++r)
                for (int col = 0; col < platform::kFontGlyphWidth; ++col)
                    if (smallBit(c, col, r)) {
                        if (pass == 0)
                            p.set(gx + col + 1, y + r + 1, shadow);
                        else
                            p.set(gx + col, y + r, colour);
                    }
    }
}

void drawTitleText(Picture& p, int x, int y, const std::string& text, uint32_t top, uint32_t bottom,
                   uint32_t shadow) {
    for (size_t k = 0; k < text.size(); ++k) {
        char32_t c = static_cast<char32_t>(std::toupper(static_cast<unsigned char>(text[k])));
        drawMask(p, x + static_cast<int>(k) * kTitleAdvance, y, titleGlyph(c), top, bottom, shadow);
    }
}

void drawSmallDigit(Picture& p, int x, int y, int digit, uint32_t fill, uint32_t light,
                    uint32_t shadow) {
    Mask m = smallDigitGlyph(static_cast<char32_t>('0' + digit));
    drawMask(p, x, y, m, fill, fill, shadow);
    // A light edge on the top of every stroke gives the chunky digits some depth.
    for (int j = 0; j < m.h; ++j)
        for (int i = 0; i < m.w; ++i)
            if (m.at(i, j) && !m.at(i, j - 1)) p.set(x + i, y + j, light);
}

void drawBigDigit(Picture& p, int x, int y, int digit, uint32_t top, uint32_t bottom,
                  uint32_t shadow) {
    Mask m = bigGlyph(static_cast<char32_t>('0' + digit));
    drawMask(p, x + 1, y, m, top, bottom, shadow);
}

}  // namespace artgen
