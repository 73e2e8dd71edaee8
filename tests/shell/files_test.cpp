// Where the program's files live: the user's data directory rules and the writable directory.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <filesystem>

TEST(Files, UserDataDirectoryFollowsXdgThenHome) {
    const char* savedXdg = std::getenv("XDG_DATA_HOME");
    const char* savedHome = std::getenv("HOME");
    const std::string xdgBefore = savedXdg ? savedXdg : "", homeBefore = savedHome ? savedHome : "";

    ::setenv("XDG_DATA_HOME", "/srv/data", 1);
    ::setenv("HOME", "/home/ada", 1);
    EXPECT_EQ(platform::userDataDirectory(), "/srv/data/vextorium2/");
    ::setenv("XDG_DATA_HOME", "relative/path", 1);  // only an absolute path counts
    EXPECT_EQ(platform::userDataDirectory(), "/home/ada/.local/share/vextorium2/");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(platform::userDataDirectory(), "/home/ada/.local/share/vextorium2/");

    savedXdg ? ::setenv("XDG_DATA_HOME", xdgBefore.c_str(), 1) : ::unsetenv("XDG_DATA_HOME");
    savedHome ? ::setenv("HOME", homeBefore.c_str(), 1) : ::unsetenv("HOME");
}

TEST(Files, WritableProgramDirectoryIsUsedAsItIs) {
    const auto dir =
        std::filesystem::temp_directory_path() / ("v2-files-" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    platform::setProgramDirectory(dir.string());
    EXPECT_EQ(platform::programDirectory(), dir.string() + "/");
    EXPECT_EQ(platform::writableDirectory(), dir.string() + "/");
    platform::setProgramDirectory("");
    std::filesystem::remove_all(dir);
}
