// Rendering a note-list source to its WAV file: the one way the sounds are made, by v2_soundgen
// for the desktop's files at build time and by the web game in the page at start, so both play
// the same samples.
#pragma once
#include <string>

namespace soundgen {

// Reads `source`, renders it and writes the WAV file its `sound` line names into `outDirectory`.
// False with a message naming the file on any error.
bool renderSoundFile(const std::string& source, const std::string& outDirectory,
                     std::string& error);

}  // namespace soundgen
