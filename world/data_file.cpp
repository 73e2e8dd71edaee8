// readDataFile: read access to a data file, creating it empty when it does not exist yet.
#include "world/data_file.h"

platform::FileRead readDataFile(const std::string& path, size_t limit) {
    // Reading first, so a file that may be read but not written (an installed, read-only
    // level table) is read.
    platform::FileRead file = platform::readFile(path, limit);
    if (file.result != platform::FileRead::Missing || !platform::createEmptyFile(path)) return file;
    return platform::readFile(path, limit);
}
