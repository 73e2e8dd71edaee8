// The program's entry point and its start-up and shutdown orders.
#pragma once

inline constexpr const char* kWindowClass = "Vextorium2";
inline constexpr const char* kWindowTitle = "Vextorium2";

// Exit statuses of the program.
inline constexpr int kExitOk = 0;        // an orderly end, or another copy was raised instead
inline constexpr int kExitNoStart = 1;   // no window, display or renderer, or no instance lock
inline constexpr int kExitBadUsage = 2;  // an unknown or malformed command-line argument

// Runs the whole program on the linked back end; returns the exit code. With `playOn` (the
// page's "Play on") it takes up the saved game at once, as the menu's Continue would.
int runProgram(bool fullScreen = true, bool playOn = false);

// Creates the globals and the shell's own objects (shell/program.h) in their fixed order (flags,
// score counter, random seed, display, the two gates, the application, the pointer's steering,
// the screen pointer, the recorder, which hears of the application's games, the explosion
// picture, the blast sound).
bool createGlobals();
// Keeps what the game must not lose (GameApp::saveOnExit), then deletes them all in their fixed
// order.
void destroyGlobals();
// One tick of the game with what follows it (the pointer's steering, afterGameStep); one draw.
void tickStep();
void drawStep();
// After a tick or a key: the state written to the trace and, where the program may end
// without warning, to the files.
void afterGameStep();
// One pass of the main loop: present, then a tick and a draw when their gates open. True when
// it drew.
bool loopStep();
