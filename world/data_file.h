// readDataFile: reads one of the game's data files, creating it empty if missing.
#pragma once
#include <cstddef>
#include <string>

#include "platform/files.h"

// At most `limit` bytes from the start of the file at `path`. A missing file is first created
// empty (an existing one is never truncated) and then reads as empty; Missing is returned only
// when it could not be created. Anything but a regular file there gives Failed at once.
platform::FileRead readDataFile(const std::string& path, size_t limit);
