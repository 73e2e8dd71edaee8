// Procedural artwork: everything here is drawn from a handful of colours so the 8-bit
// pictures stay well inside their 256-entry palettes.
#include "procedural.h"

#include <algorithm>
#include <cmath>

namespace artgen {
namespace {

constexpr uint32_t kWhite = rgb(255, 255, 255);
constexpr uint32_t kBlack = rgb(0, 0, 0);

// A small deterministic generator, so every build draws the same stars and flames.
struct Lcg {
    unsigned state;
    unsigned next() {
        state = state * 1103515245u + 12345u;
        return (state >> 16) & 0x7FFF;
    }
};

// Cracks grow from the right edge towards the left, one step per stage.
void drawCracks(Picture& p, int x, int y, int stage, uint32_t crack) {
    static const int kCrackA[][2] = {{12, 1}, {11, 2}, {11, 3}, {10, 4}, {9, 4}, {8, 5}, {9, 6}};
    static const int kCrackB[][2] = {{5, 8}, {5, 7}, {4, 6}, {4, 5}, {3, 4}, {6, 6}, {7, 6}};
    if (stage >= 1)
        for (auto& c : kCrackA) p.set(x + c[0], y + c[1], crack);
    if (stage >= 2)
        for (auto& c : kCrackB) p.set(x + c[0], y + c[1], crack);
}

void bevel(Picture& p, int x, int y, int w, int h, uint32_t light, uint32_t dark) {
    p.hLine(x, y, w, light);
    p.vLine(x, y, h, light);
    p.hLine(x, y + h - 1, w, dark);
    p.vLine(x + w - 1, y, h, dark);
}

}  // namespace

void drawBackdrop(Picture& p, int x, int y, int w, int h, uint32_t top, uint32_t bottom,
                  uint32_t grid, int gridStep, uint32_t star, int stars, unsigned seed) {
    constexpr int kBands = 16;
    for (int j = 0; j < h; ++j) {
        int band = j * kBands / std::max(h, 1);
        p.hLine(x, y + j, w, mix(top, bottom, static_cast<double>(band) / (kBands - 1)));
    }
    if (gridStep > 0) {
        for (int i = gridStep - 1; i < w; i += gridStep)
            for (int j = 0; j < h; j += 2) p.set(x + i, y + j, grid);
        for (int j = gridStep - 1; j < h; j += gridStep)
            for (int i = 0; i < w; i += 2) p.set(x + i, y + j, grid);
    }
    Lcg rng{seed};
    for (int s = 0; s < stars; ++s) {
        int sx = x + static_cast<int>(rng.next() % static_cast<unsigned>(w));
        int sy = y + static_cast<int>(rng.next() % static_cast<unsigned>(h));
        bool bright = rng.next() % 5 == 0;
        p.set(sx, sy, bright ? star : mix(star, top, 0.5));
        if (bright) {
            uint32_t glow = mix(star, top, 0.6);
            p.set(sx - 1, sy, glow);
            p.set(sx + 1, sy, glow);
            p.set(sx, sy - 1, glow);
            p.set(sx, sy + 1, glow);
        }
    }
}

void drawPanel(Picture& p, int x, int y, int w, int h, uint32_t fill, uint32_t border,
               uint32_t light) {
    p.roundRect(x, y, w, h, 1, border);
    p.fillRect(x + 1, y + 1, w - 2, h - 2, fill);
    p.hLine(x + 2, y + 1, w - 4, light);
}

bool parseBrickStyle(const std::string& name, BrickStyle& out) {
    static const std::pair<const char*, BrickStyle> kNames[] = {
        {"stone", BrickStyle::Stone}, {"metal", BrickStyle::Metal},   {"gem", BrickStyle::Gem},
        {"hide", BrickStyle::Hide},   {"stable", BrickStyle::Stable}, {"fire", BrickStyle::Fire}};
    for (auto& [n, s] : kNames)
        if (name == n) {
            out = s;
            return true;
        }
    return false;
}

void drawBrick(Picture& p, BrickStyle style, int x, int y, uint32_t base, int stage,
               uint32_t crack) {
    constexpr int kW = 16;
    constexpr int kH = 10;
    uint32_t light = mix(base, kWhite, 0.45);
    uint32_t dark = mix(base, kBlack, 0.45);
    uint32_t glint = mix(base, kWhite, 0.8);
    switch (style) {
        case BrickStyle::Stone:
            p.fillRect(x, y, kW, kH, base);
            p.hLine(x + 2, y + kH - 3, kW - 4, mix(base, kBlack, 0.15));
            bevel(p, x, y, kW, kH, light, dark);
            p.set(x + 1, y + 1, glint);
            p.set(x + 2, y + 1, glint);
            break;
        case BrickStyle::Metal: {
            uint32_t mid = mix(rgb(0x88, 0x90, 0xA8), base, 0.5);
            p.fillRect(x, y, kW, kH, mid);
            // Brushed stripes.
            for (int j = 2; j < kH - 1; j += 3)
                p.hLine(x + 1, y + j, kW - 2, mix(mid, kWhite, 0.18));
            bevel(p, x, y, kW, kH, mix(rgb(0xC8, 0xD0, 0xE0), base, 0.2),
                  mix(rgb(0x48, 0x50, 0x68), base, 0.2));
            p.set(x + 1, y + 1, kWhite);
            p.set(x + 2, y + 1, kWhite);
            drawCracks(p, x, y, stage, crack);
            break;
        }
        case BrickStyle::Gem: {
            // Cut corners stay black, the sheet's transparent colour.
            p.fillRect(x, y, kW, kH, kBlack);
            p.roundRect(x, y, kW, kH, 2, dark);
            p.roundRect(x + 1, y + 1, kW - 2, kH - 2, 1, base);
            p.fillRect(x + 4, y + 3, kW - 8, kH - 6, mix(base, kWhite, 0.3));  // table facet
            p.hLine(x + 3, y + 1, kW - 6, light);
            p.vLine(x + 1, y + 3, kH - 6, light);
            p.set(x + 3, y + 2, kWhite);
            p.set(x + 4, y + 2, glint);
            drawCracks(p, x, y, stage, crack);
            break;
        }
        case BrickStyle::Hide: {
            // Smoked glass: a dark tinted pane with a diagonal sheen.
            uint32_t pane = mix(rgb(0x14, 0x1A, 0x44), base, 0.35);
            p.fillRect(x, y, kW, kH, pane);
            for (int k = 0; k < 6; ++k) {
                p.set(x + 3 + k, y + 7 - k, mix(pane, kWhite, 0.35));
                p.set(x + 4 + k, y + 7 - k, mix(pane, kWhite, 0.2));
            }
            bevel(p, x, y, kW, kH, mix(pane, kWhite, 0.4), mix(pane, kBlack, 0.4));
            p.set(x + 1, y + 1, mix(pane, kWhite, 0.7));
            p.set(x + 2, y + 1, mix(pane, kWhite, 0.7));
            break;
        }
        case BrickStyle::Stable: {
            p.fillRect(x, y, kW, kH, base);
            bevel(p, x, y, kW, kH, light, dark);
            p.frameRect(x + 1, y + 1, kW - 2, kH - 2, mix(base, kBlack, 0.2));
            p.hLine(x + 2, y + 2, kW - 4, mix(base, kWhite, 0.2));
            // Rivets in the corners.
            const int rivets[][2] = {{2, 2}, {kW - 4, 2}, {2, kH - 4}, {kW - 4, kH - 4}};
            for (auto& r : rivets) {
                p.set(x + r[0], y + r[1], mix(base, kWhite, 0.7));
                p.set(x + r[0] + 1, y + r[1], mix(base, kWhite, 0.35));
                p.set(x + r[0], y + r[1] + 1, mix(base, kWhite, 0.35));
                p.set(x + r[0] + 1, y + r[1] + 1, dark);
            }
            p.set(x + 1, y + 1, glint);
            p.set(x + 2, y + 1, glint);
            break;
        }
        case BrickStyle::Fire: {
            // The three frames flicker from red through orange to yellow.
            static const uint32_t kFlames[3] = {rgb(0xFF, 0x40, 0x10), rgb(0xFF, 0x90, 0x20),
                                                rgb(0xFF, 0xE0, 0x60)};
            uint32_t flame = kFlames[std::clamp(stage, 0, 2)];
            uint32_t ember = mix(base, kBlack, 0.35);
            p.fillRect(x, y, kW, kH, ember);
            Lcg rng{static_cast<unsigned>(stage * 7 + 3)};
            for (int i = 1; i < kW - 1; ++i) {
                int tongue = 2 + static_cast<int>(rng.next() % 5);
                for (int j = 0; j < tongue; ++j)
                    p.set(x + i, y + kH - 2 - j, mix(flame, base, static_cast<double>(j) / tongue));
            }
            for (int i = 3; i < kW - 3; i += 4) p.set(x + i + stage % 2, y + kH - 3, kWhite);
            bevel(p, x, y, kW, kH, mix(flame, kWhite, 0.4), mix(base, kBlack, 0.6));
            p.set(x + 1, y + 1, kWhite);
            p.set(x + 2, y + 1, mix(flame, kWhite, 0.6));
            break;
        }
    }
}

void drawBall(Picture& p, int x, int y, int frame, uint32_t core, uint32_t body, uint32_t rim) {
    constexpr double kRadius = 3.7;
    constexpr double kPi = 3.14159265358979;
    double angle = kPi * 1.25 + frame * kPi / 2;  // the glint turns a quarter per frame
    double gx = 4 + 1.6 * std::cos(angle);
    double gy = 4 + 1.6 * std::sin(angle);
    for (int j = 0; j < 8; ++j)
        for (int i = 0; i < 8; ++i) {
            double dx = i + 0.5 - 4;
            double dy = j + 0.5 - 4;
            double r = std::sqrt(dx * dx + dy * dy);
            if (r > kRadius) continue;
            double g = std::hypot(i + 0.5 - gx, j + 0.5 - gy);
            uint32_t c = r > kRadius - 1.0 ? rim : body;
            if (g < 1.0)
                c = core;
            else if (g < 2.0 && r <= kRadius - 1.0)
                c = mix(core, body, 0.5);
            p.set(x + i, y + j, c);
        }
}

void drawCapsule(Picture& p, int x, int y, uint32_t colour) {
    constexpr int kTop = 3;
    constexpr int kHeight = 14;
    p.roundRect(x, y + kTop, 20, kHeight, 3, mix(colour, kBlack, 0.5));
    p.roundRect(x + 1, y + kTop + 1, 18, kHeight - 2, 2, colour);
    p.roundRect(x + 3, y + kTop + 2, 14, 3, 1, mix(colour, kWhite, 0.45));
    p.hLine(x + 4, y + kTop + kHeight - 3, 12, mix(colour, kBlack, 0.25));
    p.set(x + 3, y + kTop + 2, kWhite);
}

void drawExplosion(Picture& p) {
    constexpr int kFrames = 32;
    constexpr int kSize = 32;
    // A ramp from white-hot through yellow, orange and red to smoke.
    static const uint32_t kRamp[] = {
        rgb(0xFF, 0xFF, 0xF0), rgb(0xFF, 0xF0, 0x90), rgb(0xFF, 0xE0, 0x60), rgb(0xFF, 0xB0, 0x30),
        rgb(0xFF, 0x90, 0x20), rgb(0xF0, 0x60, 0x18), rgb(0xE0, 0x40, 0x10), rgb(0xB0, 0x28, 0x10),
        rgb(0x80, 0x24, 0x18), rgb(0x60, 0x30, 0x30), rgb(0x48, 0x40, 0x48), rgb(0x38, 0x38, 0x44),
        rgb(0x40, 0x44, 0x54), rgb(0x34, 0x38, 0x48)};
    constexpr int kRampSize = sizeof(kRamp) / sizeof(kRamp[0]);
    p.fillRect(0, 0, p.width(), p.height(), kBlack);
    Lcg rng{1234};
    // Fixed ragged edge per direction so the cloud keeps its shape while it grows.
    double edge[32];
    for (double& e : edge) e = 0.8 + (rng.next() % 100) / 250.0;
    for (int f = 0; f < kFrames; ++f) {
        int ox = (f % 8) * kSize;
        int oy = (f / 8) * kSize;
        double t = static_cast<double>(f) / (kFrames - 1);
        double radius = 3.0 + 13.0 * std::sqrt(t);
        // White-hot at first, cooling through orange and red to smoke; from about two thirds
        // in, the smoke thins out pixel by pixel so the last frame is a faint haze.
        double heat = t * 0.7;
        double hole = t > 0.5 ? (t - 0.5) * 16.0 : 0.0;  // the smoke ring opens
        double density = t > 0.6 ? 1.0 - (t - 0.6) * 2.0 : 1.0;
        for (int j = 0; j < kSize; ++j)
            for (int i = 0; i < kSize; ++i) {
                double dx = i + 0.5 - 16;
                double dy = j + 0.5 - 16;
                double r = std::sqrt(dx * dx + dy * dy);
                int dir = static_cast<int>((std::atan2(dy, dx) + 3.14159265) / 6.2831853 * 32) % 32;
                double limit = radius * edge[dir];
                double speckle = ((rng.next() % 100) / 100.0 - 0.5) * 0.25;
                bool kept = (rng.next() % 100) < density * 100;
                if (r > limit || r < hole * edge[(dir + 7) % 32] || !kept) continue;
                double level = heat + (r / std::max(limit, 1.0)) * 0.35 + speckle;
                int k = std::clamp(static_cast<int>(level * (kRampSize - 1)), 0, kRampSize - 1);
                p.set(ox + i, oy + j, kRamp[k]);
            }
    }
}

}  // namespace artgen
