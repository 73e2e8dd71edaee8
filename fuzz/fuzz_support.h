// Helpers shared by the fuzz targets: a private program directory per process and the files
// written into it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace fuzzing {

// A fresh temporary directory for this process, made the program directory on first use and
// removed at exit. Ends with '/'.
const std::string& programDirectory();

// Writes the bytes as the file `name` of the program directory (replacing it); its full path.
std::string writeFile(const std::string& name, const uint8_t* data, size_t size);

// The bytes of the file `name` of the program directory (none when it is missing).
std::vector<uint8_t> readFile(const std::string& name);

// Removes the file `name` of the program directory, if it is there.
void removeFile(const std::string& name);

// Copies the file `name` from beside the fuzz executable (the build's data files) into the
// program directory. False when there is none.
bool copyDataFile(const std::string& name);

}  // namespace fuzzing
