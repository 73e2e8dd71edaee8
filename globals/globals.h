// The program's globals: plain global variables that the game's layers share, kept in one place
// beneath all of their users. The game's parts were written around them, so they stay globals;
// the shell creates and destroys them in a fixed order, with its own objects (shell/program.h)
// between (tests, benchmarks and fuzz targets use testing_support::PlayGlobals instead).
#pragma once
#include <string>

#include "platform/bitmap.h"

class DigitFont;
class Image;
class SoundClip;

// Where bitmap resources are loaded from.
extern InstanceHandle instanceHandle;

// The switches: the options screen and the score file set them, play reads them.
extern bool soundOn;  // sound effects (stored in the score file)
extern bool musicOn;  // music (stored in the score file)
extern bool muted;    // every sound silenced during play

// True when a sound effect may play now: soundOn set and muted clear.
inline bool effectsAudible() {
    return soundOn && !muted;
}

// The objects that several layers draw or play.
extern DigitFont* scoreCounter;  // the player's score, drawn with the small digits
extern Image* explosionImage;    // the fire bricks' blasts
extern SoundClip* blastSound;    // "blast.wav"

// The directory every data file is read from and written to, ending with '/'.
std::string programDirectory();

// The directory the program writes its own files to (ScoreList.sav, AutoSave.dat), ending with
// '/': the program directory when it is writable, else the user's data directory.
std::string writableDirectory();
