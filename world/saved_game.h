// The saved game's file, AutoSave.dat: the level, lives and score a Continue starts from.
#pragma once
#include <cstdint>

// Writes the file whole or not at all.
void writeSavedGame(int32_t level, int32_t lives, int32_t score);
