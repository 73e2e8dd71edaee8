// The program's entry point and its start-up and shutdown orders.
#pragma once

inline constexpr const char* kWindowClass = "Vextorium2";
inline constexpr const char* kWindowTitle = "Vextorium2";

// Runs the whole program on the linked back end; returns the exit code.
int runProgram();

// Creates the globals in their fixed order (flags, score counter, random seed, display, the
// two gates, the application, the explosion picture, the blast sound).
bool createGlobals();
// Saves if a stage is being played, then deletes the globals in their fixed order.
void destroyGlobals();
// One pass of the main loop: present, then a tick and a draw when their gates open. True when
// a gate opened (the next pass has a new frame to present).
bool loopStep();
