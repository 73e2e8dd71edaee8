// Atomic file writes: the new contents replace the old, and temporary files left by writers
// that were killed before their rename are cleared away.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace fs = std::filesystem;

namespace {

class FilesTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "v2-files-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern + "/";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    void touch(const std::string& name) { std::ofstream(dir + name) << "left over"; }
    std::string read(const std::string& name) {
        std::ifstream in(dir + name, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    }
    std::string dir;
};

// A process id that belonged to a process which has ended and been reaped.
pid_t endedProcess() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    ::waitpid(pid, nullptr, 0);
    return pid;
}

}  // namespace

TEST_F(FilesTest, WritesReplaceTheFileWhole) {
    ASSERT_TRUE(platform::writeFileAtomically(dir + "AutoSave.dat", "abcdef", 6));
    EXPECT_EQ(read("AutoSave.dat"), "abcdef");
    ASSERT_TRUE(platform::writeFileAtomically(dir + "AutoSave.dat", "xy", 2));
    EXPECT_EQ(read("AutoSave.dat"), "xy");
    EXPECT_FALSE(platform::writeFileAtomically(dir + "missing/AutoSave.dat", "xy", 2));
    // Nothing but the file itself is left in the directory.
    int files = 0;
    for (const auto& entry : fs::directory_iterator(dir)) files += entry.is_regular_file();
    EXPECT_EQ(files, 1);
}

TEST_F(FilesTest, TemporariesOfEndedWritersAreRemovedOthersKept) {
    const pid_t ended = endedProcess();
    const pid_t live = ::fork();  // a writer still at work
    if (live == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string stale = "ScoreList.sav.tmp" + std::to_string(ended);
    const std::string working = "ScoreList.sav.tmp" + std::to_string(live);
    const std::string otherFile = "AutoSave.dat.tmp" + std::to_string(ended);
    const std::string notOurs = "ScoreList.sav.tmpfile";
    for (const std::string& name : {stale, working, otherFile, notOurs}) touch(name);

    ASSERT_TRUE(platform::writeFileAtomically(dir + "ScoreList.sav", "new", 3));
    ::kill(live, SIGKILL);
    ::waitpid(live, nullptr, 0);

    EXPECT_EQ(read("ScoreList.sav"), "new");
    EXPECT_FALSE(fs::exists(dir + stale));
    EXPECT_TRUE(fs::exists(dir + working));
    EXPECT_TRUE(fs::exists(dir + otherFile));  // only the written file's own are looked at
    EXPECT_TRUE(fs::exists(dir + notOurs));
}
