// A fresh program directory per test, removed again at its end.
#pragma once
#include <stdlib.h>

#include <filesystem>
#include <string>

#include "platform/files.h"

class TempDirectory {
  public:
    TempDirectory() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "scores_testXXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern + "/";
        platform::setProgramDirectory(path);
    }
    ~TempDirectory() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    std::string path;
};
