// The program's globals: plain global variables, the objects and flags that every part of the
// game reads, kept in one place beneath all of their users. The game's parts were written
// around them, so they stay globals; only the shell creates and destroys the objects, in a
// fixed order (tests, benchmarks and fuzz targets use testing_support::PlayGlobals instead).
#pragma once
#include <string>

#include "platform/bitmap.h"

class DigitFont;
class Display;
class FrameTimer;
class GameApp;
class Image;
class SoundClip;

extern InstanceHandle instanceHandle;  // where bitmap resources are loaded from
extern bool appRunning;                // the main loop runs while set; the home key clears it
extern bool appActive;  // while clear, the loop step presents, ticks and draws nothing
extern bool soundOn;    // sound effects (stored in the score file)
extern bool musicOn;    // music (stored in the score file)
extern bool muted;      // every sound silenced during play
extern Display* display;
extern FrameTimer* drawGate;
extern FrameTimer* tickGate;
extern GameApp* app;
extern DigitFont* scoreCounter;  // the player's score, drawn with the small digits
extern Image* explosionImage;    // the fire bricks' blasts
extern SoundClip* blastSound;    // "blast.wav"

// True when a sound effect may play now: soundOn set and muted clear.
inline bool effectsAudible() {
    return soundOn && !muted;
}

// The directory every data file is read from and written to, ending with '/'.
std::string programDirectory();

// The directory the program writes its own files to (ScoreList.sav, AutoSave.dat), ending with
// '/': the program directory when it is writable, else the user's data directory.
std::string writableDirectory();
