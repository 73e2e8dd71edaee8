// Text drawn with the built-in pixel font into 24-bit sections: word wrap, clipping, opaque cells.
#include "platform/text.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/common/pixel_font.h"

namespace platform {
namespace {

// Glyphs are drawn at their own size, one 6-pixel cell per character: the pictures reckon
// 12 x 14 pixels per character, which leaves room, and at 6 pixels a name and a score fit
// their columns of the high-score screen side by side.
constexpr int kAdvance = kFontCellWidth;
constexpr int kLinePitch = 14;  // the line height the text pictures reckon with
constexpr int kTopPadding = 2;  // centres the 9-row cell in its 14-row line

struct Bgr {
    uint8_t blue, green, red;
};

Bgr toBgr(uint32_t colour) {
    return {static_cast<uint8_t>((colour >> 16) & 0xFF), static_cast<uint8_t>((colour >> 8) & 0xFF),
            static_cast<uint8_t>(colour & 0xFF)};
}

// Clips (0, 0, width, height) to the section itself.
void clipToSection(const Section& section, int& width, int& height) {
    width = std::clamp(width, 0, section.width);
    height = std::clamp(height, 0, section.height);
}

// Row y counted from the top; section rows are stored bottom-up.
uint8_t* rowBits(Section& section, int y) {
    return section.bits.data() + static_cast<size_t>(section.stride) * (section.height - 1 - y);
}

// (x, y) counted from the top left.
void putPixel(Section& section, int x, int y, Bgr c) {
    uint8_t* p = rowBits(section, y) + 3 * static_cast<size_t>(x);
    p[0] = c.blue;
    p[1] = c.green;
    p[2] = c.red;
}

constexpr char32_t kLineFeed = U'\n';
constexpr char32_t kCarriageReturn = U'\r';
constexpr char32_t kReplacement = 0xFFFD;

// UTF-16 to code points; a lone surrogate becomes U+FFFD (and so a replacement box).
std::u32string decodeUtf16(const std::u16string& text) {
    std::u32string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t u = text[i];
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
            text[i + 1] <= 0xDFFF) {
            out.push_back(0x10000 + ((static_cast<char32_t>(u) - 0xD800) << 10) +
                          (text[i + 1] - 0xDC00));
            ++i;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            out.push_back(kReplacement);
        } else {
            out.push_back(u);
        }
    }
    return out;
}

// Breaks the text into lines of at most `perLine` characters at spaces and line feeds. A word
// longer than a whole line keeps its line and is cut off at the right edge when drawn.
std::vector<std::u32string> wrapLines(const std::u32string& text, size_t perLine) {
    std::vector<std::u32string> lines;
    std::u32string line;
    size_t i = 0;
    while (i < text.size()) {
        const char32_t c = text[i];
        if (c == kCarriageReturn) {
            ++i;
            continue;
        }
        if (c == kLineFeed) {
            lines.push_back(line);
            line.clear();
            ++i;
            continue;
        }
        if (c == U' ') {
            line.push_back(c);
            ++i;
            continue;
        }
        size_t end = i;
        while (end < text.size() && text[end] != U' ' && text[end] != kLineFeed &&
               text[end] != kCarriageReturn)
            ++end;
        const std::u32string word = text.substr(i, end - i);
        if (!line.empty() && line.size() + word.size() > perLine) {
            // The word moves to the next line; the spaces before it are dropped.
            while (!line.empty() && line.back() == U' ') line.pop_back();
            lines.push_back(line);
            line.clear();
        }
        line += word;
        i = end;
    }
    lines.push_back(line);
    return lines;
}

}  // namespace

void fillSection(Section& section, int width, int height, uint32_t colour) {
    clipToSection(section, width, height);
    if (width <= 0 || height <= 0) return;
    const Bgr c = toBgr(colour);
    // One row pixel by pixel, the others copied from it.
    for (int x = 0; x < width; ++x) putPixel(section, x, 0, c);
    const uint8_t* first = rowBits(section, 0);
    for (int y = 1; y < height; ++y)
        std::memcpy(rowBits(section, y), first, 3 * static_cast<size_t>(width));
}

void drawSectionText(Section& section, int width, int height, const std::u16string& text,
                     uint32_t textColour, uint32_t backColour) {
    clipToSection(section, width, height);
    if (width <= 0 || height <= 0) return;
    const Bgr ink = toBgr(textColour);
    const Bgr paper = toBgr(backColour);
    const size_t perLine = static_cast<size_t>(std::max(1, width / kAdvance));
    const std::vector<std::u32string> lines = wrapLines(decodeUtf16(text), perLine);
    for (size_t l = 0; l < lines.size(); ++l) {
        const int lineTop = static_cast<int>(l) * kLinePitch;
        if (lineTop >= height) break;
        for (size_t k = 0; k < lines[l].size(); ++k) {
            const int left = static_cast<int>(k) * kAdvance;
            if (left >= width) break;
            const Glyph& glyph = glyphFor(lines[l][k]);
            // Each character paints its whole cell, text colour on the background colour.
            const int cellWidth = std::min(kAdvance, width - left);
            for (int y = 0; y < kLinePitch && lineTop + y < height; ++y) {
                uint8_t* p = rowBits(section, lineTop + y) + 3 * static_cast<size_t>(left);
                for (int x = 0; x < cellWidth; ++x, p += 3) {
                    const Bgr c = glyphInk(glyph, x, y - kTopPadding) ? ink : paper;
                    p[0] = c.blue;
                    p[1] = c.green;
                    p[2] = c.red;
                }
            }
        }
    }
}

}  // namespace platform
