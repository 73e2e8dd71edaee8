// File service: where the program's files live and how they are written safely.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

// The directory of the running executable as the system reports it, ending with '/'.
std::string executableDirectory();

// The directory every data file is read from and written to, ending with '/'.
// The executable's directory unless set otherwise (the replay runner's --dir, tests).
std::string programDirectory();
void setProgramDirectory(const std::string& directory);

// Where the program's own files (scores, saved game) are written, ending with '/': the program
// directory when it is writable, otherwise userDataDirectory(), created on first use.
std::string writableDirectory();

// $XDG_DATA_HOME/vextorium2/ (when XDG_DATA_HOME is an absolute path), else
// $HOME/.local/share/vextorium2/.
std::string userDataDirectory();

// Writes the bytes to a temporary file beside `path`, flushes it to disk and renames it
// over `path`, so a crash leaves either the old or the new complete file. False on failure.
bool writeFileAtomically(const std::string& path, const void* data, size_t size);

}  // namespace platform
