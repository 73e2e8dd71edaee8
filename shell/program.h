// Program: what the shell makes for a run of the game above the globals, and owns alone.
#pragma once
#include <memory>

class Display;
class FrameTimer;
class GameApp;
class GameRecorder;
class PointerSteering;
class ScreenPointer;

// Made by createGlobals in the order of its members and deleted by destroyGlobals (in an order of
// its own); every object is null before and after.
struct Program {
    bool running = true;  // the main loop runs while set; the home key clears it
    bool active = true;   // while clear, the loop step presents, ticks and draws nothing
    // destroyGlobals wrote the saved game on the way out
    bool gameSavedOnExit = false;
    std::unique_ptr<Display> display;
    std::unique_ptr<FrameTimer> drawGate;
    std::unique_ptr<FrameTimer> tickGate;
    std::unique_ptr<GameApp> app;
    std::unique_ptr<PointerSteering> steering;
    std::unique_ptr<ScreenPointer> screenPointer;
    std::unique_ptr<GameRecorder> recorder;
};

// The program the shell runs: for the message table and the main loop, and for the tools and
// tests that drive the program from outside (the replay runner's built-in player reads the
// application here).
Program& program();
