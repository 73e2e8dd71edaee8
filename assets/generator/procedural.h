// Procedural pieces of the artwork: the night backdrop, panels, bricks, balls, item capsules
// and the explosion animation. Their colours come from the palette of the layout scripts.
#pragma once
#include <string>

#include "picture.h"

namespace artgen {

// Deep navy fading down to indigo, a faint grid every `gridStep` pixels (0: none) and a
// sprinkling of stars picked from `seed`.
void drawBackdrop(Picture& p, int x, int y, int w, int h, uint32_t top, uint32_t bottom,
                  uint32_t grid, int gridStep, uint32_t star, int stars, unsigned seed);

// A raised panel: fill, one-pixel border, lighter top edge.
void drawPanel(Picture& p, int x, int y, int w, int h, uint32_t fill, uint32_t border,
               uint32_t light);

// The 16 x 10 bricks. `stage` is the crack stage (Metal 0..1, Gem 0..2) or the flame frame
// (Fire 0..2); `crack` is the colour of the cracks.
enum class BrickStyle { Stone, Metal, Gem, Hide, Stable, Fire };
bool parseBrickStyle(const std::string& name, BrickStyle& out);
void drawBrick(Picture& p, BrickStyle style, int x, int y, uint32_t base, int stage,
               uint32_t crack);

// An 8 x 8 ball, frame 0..3 turns its glint a quarter round. `core`, `body`, `rim` shade it.
void drawBall(Picture& p, int x, int y, int frame, uint32_t core, uint32_t body, uint32_t rim);

// A 20 x 20 item capsule (a rounded pill 20 x 14 across the middle) in the given colour.
void drawCapsule(Picture& p, int x, int y, uint32_t colour);

// The 256 x 128 explosion sheet: 32 frames of 32 x 32 on black, row by row.
void drawExplosion(Picture& p);

}  // namespace artgen
