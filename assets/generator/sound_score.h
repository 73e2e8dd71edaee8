// SoundScore: a sound described as note lists, read from a text file of assets/sounds/.
#pragma once
#include <string>
#include <vector>

namespace soundgen {

struct Note {
    double startMs = 0;
    double lengthMs = 0;
    double frequency = 0;  // Hz; 0 for drum hits
    char drum = 0;         // k kick, s snare, h closed hat, o open hat
};

struct Track {
    std::string wave = "square";  // square, triangle, noise, drums
    double volume = 1.0;
    double duty = 0.5;    // square only
    double attackMs = 2;  // envelope: rise, fall to the sustain level, fade after the note
    double decayMs = 0;
    double sustain = 1.0;
    double releaseMs = 10;
    double slide = 0;    // semitones of pitch change over each note
    double vibrato = 0;  // semitones of vibrato depth (at 6 Hz)
    std::vector<Note> notes;
    double endMs = 0;  // where the track's note list ends, rests included
};

struct SoundScore {
    std::string output;     // file name to write
    double stepMs = 125;    // duration of one step of the note lists
    bool loop = false;      // tails wrap round to the start so the loop joins without a click
    double lengthMs = 0;    // 0: up to the end of the last note's release
    double peakDb = -3;     // the loudest sample after normalising
    double loudnessDb = 0;  // below 0: the loudest 50 ms are brought to this RMS level, the peak
                            // never passing peakDb (so the effects sound equally loud)
    std::vector<Track> tracks;
};

// Reads a score. False with a message naming the line on any error.
bool readScore(const std::string& path, SoundScore& score, std::string& error);

// Frequency of a note name such as A4, C#5, Bb3 (A4 = 440 Hz). Negative if not a note.
double noteFrequency(const std::string& name);

}  // namespace soundgen
