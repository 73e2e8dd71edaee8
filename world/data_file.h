// openDataFile: opens one of the game's data files for reading, creating it empty if missing.
#pragma once
#include <cstdio>
#include <string>

// The file at `path` opened for binary reading; a missing file is first created empty (an
// existing one is never truncated). nullptr when it can be neither opened nor created.
std::FILE* openDataFile(const std::string& path);
