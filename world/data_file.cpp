// openDataFile: read access to a data file, creating it empty when it does not exist yet.
#include "world/data_file.h"

std::FILE* openDataFile(const std::string& path) {
    // Reading first, so a file that may be read but not written (an installed, read-only
    // level table) still opens.
    if (std::FILE* file = std::fopen(path.c_str(), "rb")) return file;
    std::FILE* created = std::fopen(path.c_str(), "ab");
    if (created == nullptr) return nullptr;
    std::fclose(created);
    return std::fopen(path.c_str(), "rb");
}
