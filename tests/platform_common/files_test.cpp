// Reading data files (regular files only, never waiting) and atomic file writes: the new
// contents replace the old, and temporary files left by writers that were killed before their
// rename are cleared away.
#include "platform/files.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "tests/support/filled_fifo.h"

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

std::string text(const std::vector<uint8_t>& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

}  // namespace

TEST_F(FilesTest, OnlyRegularFilesAreReadAndNothingWaits) {
    using platform::FileRead;
    std::ofstream(dir + "BrickMap.dat") << "abcdef";
    FileRead file = platform::readFile(dir + "BrickMap.dat", 4);
    EXPECT_EQ(file.result, FileRead::Read);
    EXPECT_EQ(text(file.bytes), "abcd");
    EXPECT_EQ(text(platform::readFile(dir + "BrickMap.dat", 100).bytes), "abcdef");
    // A file only any use whole is refused when longer than the limit, and read when not.
    file = platform::readFile(dir + "BrickMap.dat", 5, platform::Longer::Refused);
    EXPECT_EQ(file.result, FileRead::Failed);
    EXPECT_TRUE(file.bytes.empty());
    file = platform::readFile(dir + "BrickMap.dat", 6, platform::Longer::Refused);
    EXPECT_EQ(file.result, FileRead::Read);
    EXPECT_EQ(text(file.bytes), "abcdef");
    std::ofstream(dir + "empty.wav").flush();
    file = platform::readFile(dir + "empty.wav", 100);
    EXPECT_EQ(file.result, FileRead::Read);
    EXPECT_TRUE(file.bytes.empty());
    // The size a file reports is no limit: this one reports 0 and still has its text.
    file = platform::readFile("/proc/self/status", 1 << 20);
    EXPECT_EQ(file.result, FileRead::Read);
    EXPECT_EQ(text(file.bytes).rfind("Name:", 0), 0u);
    EXPECT_EQ(platform::readFile("/proc/self/status", 5, platform::Longer::Refused).result,
              FileRead::Failed);

    file = platform::readFile(dir + "AutoSave.dat", 100);
    EXPECT_EQ(file.result, FileRead::Missing);
    EXPECT_FALSE(file.opened);

    // Things that open but are no regular file: a directory, a FIFO holding bytes, a device
    // that would stream without end.
    fs::create_directory(dir + "folder");
    testing_support::FilledFifo fifo(dir + "fifo", {'x', 'y', 'z'});
    ASSERT_TRUE(fifo.ready());
    fs::create_symlink("/dev/zero", dir + "device");
    for (const char* name : {"folder", "fifo", "device"}) {
        file = platform::readFile(dir + name, 3);
        EXPECT_EQ(file.result, FileRead::Failed) << name;
        EXPECT_TRUE(file.opened) << name;
        EXPECT_TRUE(file.bytes.empty()) << name;
    }
    // A socket cannot be opened at all.
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string where = dir + "socket";
    ASSERT_LT(where.size(), sizeof address.sun_path);
    where.copy(address.sun_path, where.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    file = platform::readFile(where, 3);
    EXPECT_EQ(file.result, FileRead::Failed);
    EXPECT_FALSE(file.opened);
    ::close(sock);
}

TEST_F(FilesTest, CreatingAnEmptyFileNeverTouchesOneThatIsThere) {
    EXPECT_TRUE(platform::createEmptyFile(dir + "AutoSave.dat"));
    EXPECT_TRUE(fs::is_regular_file(dir + "AutoSave.dat"));
    EXPECT_EQ(fs::file_size(dir + "AutoSave.dat"), 0u);
    std::ofstream(dir + "BrickMap.dat") << "levels";
    EXPECT_TRUE(platform::createEmptyFile(dir + "BrickMap.dat"));
    EXPECT_EQ(read("BrickMap.dat"), "levels");
    EXPECT_FALSE(platform::createEmptyFile(dir + "missing/AutoSave.dat"));
}

// What the write hook saw: each path with the file's contents at that moment.
std::vector<std::string> hookSaw;

TEST_F(FilesTest, WritesReplaceTheFileWhole) {
    hookSaw.clear();
    platform::setFileWrittenHook([](const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        hookSaw.push_back(path + "=" + std::string(std::istreambuf_iterator<char>(in), {}));
    });
    ASSERT_TRUE(platform::writeFileAtomically(dir + "AutoSave.dat", "abcdef", 6));
    EXPECT_EQ(read("AutoSave.dat"), "abcdef");
    ASSERT_TRUE(platform::writeFileAtomically(dir + "AutoSave.dat", "xy", 2));
    EXPECT_EQ(read("AutoSave.dat"), "xy");
    EXPECT_FALSE(platform::writeFileAtomically(dir + "missing/AutoSave.dat", "xy", 2));
    platform::setFileWrittenHook(nullptr);
    // Told of each completed write, once the new file is in place; never of a failed one.
    EXPECT_EQ(hookSaw,
              (std::vector<std::string>{dir + "AutoSave.dat=abcdef", dir + "AutoSave.dat=xy"}));
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
