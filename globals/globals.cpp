// The program's globals, empty until the shell creates them.
#include "globals/globals.h"

#include "globals/presentation.h"
#include "platform/files.h"

InstanceHandle instanceHandle = nullptr;
bool soundOn = true;
bool musicOn = true;
bool muted = false;
DigitFont* scoreCounter = nullptr;
Image* explosionImage = nullptr;
SoundClip* blastSound = nullptr;

// The executable's real directory (not the module path cut by a fixed name length).
std::string programDirectory() {
    return platform::programDirectory();
}

std::string writableDirectory() {
    return platform::writableDirectory();
}

Presentation& presentation() {
    static Presentation current;
    return current;
}
