// How the game is shown and heard, as the player chose: none of it may change play. A look
// changes only the pictures (a draw that takes random numbers still takes the same ones), a
// volume only the loudness, a cue only adds a picture over the frame. Play, the record and the
// game's key never read these.
#pragma once

struct Presentation {
    bool highContrast = false;  // plain dark field, strong outlines, larger status line
    bool flashSafe = false;     // at most three flashes a second over a quarter of the screen
    bool soundCues = false;     // a small picture when a meaningful sound plays
    int musicVolume = 100;      // percent, 0..100; musicOn still switches the music off
    int effectsVolume = 100;    // percent, 0..100; soundOn and muted still silence effects
};

// The one presentation in force; the settings store fills it at start-up and the settings
// screens change it. Default-constructed, the game looks and sounds as it always has.
Presentation& presentation();
