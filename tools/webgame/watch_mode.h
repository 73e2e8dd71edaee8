// Watching a proven game in the page: its record, handed over by the watch page, played back
// into the real program in real time, with no input taken and none of the player's files read
// or written.
#pragma once

// Whether the page asked for a game to be watched rather than played.
bool watchRequested();

// Plays the page's record to its end at the page's pace (paused, 1x, 2x or 4x) and tells the
// page how it went; returns the program's exit code.
int watchGame();
