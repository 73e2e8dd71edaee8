// A private program directory per fuzzing process, removed again at exit.
#include "fuzz/fuzz_support.h"

#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "platform/files.h"

namespace fuzzing {
namespace {
namespace fs = std::filesystem;

std::string makeDirectory() {
    std::string pattern = (fs::temp_directory_path() / "v2-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) {
        std::perror("mkdtemp");
        std::abort();
    }
    return pattern + "/";
}
}  // namespace

const std::string& programDirectory() {
    // Never destroyed, so the exit handler that removes the directory can still read it.
    static const std::string* directory = [] {
        auto* made = new std::string(makeDirectory());
        platform::setProgramDirectory(*made);
        std::atexit([] {
            std::error_code ignored;
            fs::remove_all(fuzzing::programDirectory(), ignored);
        });
        return made;
    }();
    return *directory;
}

std::string writeFile(const std::string& name, const uint8_t* data, size_t size) {
    const std::string path = programDirectory() + name;
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    if (std::fclose(file) != 0) std::abort();
    return path;
}

std::vector<uint8_t> readFile(const std::string& name) {
    std::vector<uint8_t> bytes;
    std::FILE* file = std::fopen((programDirectory() + name).c_str(), "rb");
    if (file == nullptr) return bytes;
    uint8_t buffer[4096];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.insert(bytes.end(), buffer, buffer + n);
    std::fclose(file);
    return bytes;
}

void removeFile(const std::string& name) {
    std::error_code ignored;
    fs::remove(programDirectory() + name, ignored);
}

bool copyDataFile(const std::string& name) {
    std::ifstream in(platform::executableDirectory() + name, std::ios::binary);
    if (!in) return false;
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    writeFile(name, reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace fuzzing
