// Single instance with real processes: a second copy raises the first, the lock dies with its
// holder, and different program directories never collide.
#include "platform/single_instance.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace platform {
namespace {

constexpr const char* kName = "Vextorium2Test";
constexpr uint32_t kPollMs = 5;
constexpr int kMaxPolls = 2000;  // a bound so a lost request fails the test instead of hanging
constexpr unsigned kCopyLifetimeS = 30;

std::string freshDirectory(const std::string& name) {
    auto dir = std::filesystem::temp_directory_path() /
               ("v2_single_" + name + "_" + std::to_string(::getpid()));
    std::filesystem::remove_all(dir);
    std::filesystem::create_directories(dir);
    return dir.string() + "/";
}

char codeOf(InstanceCheck check) {
    switch (check) {
        case InstanceCheck::First:
            return 'F';
        case InstanceCheck::OtherRaised:
            return 'O';
        default:
            return 'X';
    }
}

// A copy of the program in a child process: reports its check on `report`, then, if first,
// waits for one raise request and reports 'R' (or 'N' if none came), then waits for `go`.
struct Copy {
    pid_t pid = -1;
    int report = -1;
    int go = -1;

    char read() const {
        char c = '?';
        return ::read(report, &c, 1) == 1 ? c : '?';
    }
    void release() const {
        const char c = 'g';
        (void)::write(go, &c, 1);
    }
    int finish() const {
        int status = 0;
        ::waitpid(pid, &status, 0);
        ::close(report);
        ::close(go);
        return status;
    }
};

Copy startCopy(const std::string& directory, bool waitForRaise) {
    int up[2];
    int down[2];
    if (::pipe(up) != 0 || ::pipe(down) != 0) return {};
    Copy copy;
    copy.pid = ::fork();
    if (copy.pid == 0) {
        ::close(up[0]);
        ::close(down[1]);
        ::alarm(kCopyLifetimeS);  // a copy stuck anywhere dies, and its report reads '?'
        setProgramDirectory(directory);
        const InstanceCheck check = ensureSingleInstance(kName);
        char c = codeOf(check);
        (void)::write(up[1], &c, 1);
        if (check == InstanceCheck::First && waitForRaise) {
            bool raised = false;
            for (int i = 0; i < kMaxPolls && !raised; ++i) {
                raised = takeRaiseRequest();
                if (!raised) sleepMs(kPollMs);
            }
            c = raised ? 'R' : 'N';
            (void)::write(up[1], &c, 1);
        }
        (void)::read(down[0], &c, 1);
        _exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    copy.report = up[0];
    copy.go = down[1];
    return copy;
}

TEST(SingleInstance, SecondCopyRaisesTheFirst) {
    const std::string dir = freshDirectory("raise");
    Copy first = startCopy(dir, true);
    ASSERT_EQ(first.read(), 'F');
    Copy second = startCopy(dir, false);
    EXPECT_EQ(second.read(), 'O');
    EXPECT_EQ(first.read(), 'R');
    second.release();
    second.finish();
    first.release();
    first.finish();
    // The first copy has ended: the next one is first again.
    Copy third = startCopy(dir, false);
    EXPECT_EQ(third.read(), 'F');
    third.release();
    third.finish();
    std::filesystem::remove_all(dir);
}

TEST(SingleInstance, LockDiesWithAKilledCopy) {
    const std::string dir = freshDirectory("killed");
    Copy first = startCopy(dir, false);
    ASSERT_EQ(first.read(), 'F');
    ::kill(first.pid, SIGKILL);
    first.finish();
    Copy next = startCopy(dir, false);
    EXPECT_EQ(next.read(), 'F');
    next.release();
    next.finish();
    std::filesystem::remove_all(dir);
}

TEST(SingleInstance, OtherProgramDirectoriesDoNotCollide) {
    const std::string one = freshDirectory("one");
    const std::string two = freshDirectory("two");
    Copy first = startCopy(one, false);
    ASSERT_EQ(first.read(), 'F');
    Copy other = startCopy(two, false);
    EXPECT_EQ(other.read(), 'F');
    // Nothing was sent to the first copy by the other install.
    other.release();
    other.finish();
    first.release();
    first.finish();
    std::filesystem::remove_all(one);
    std::filesystem::remove_all(two);
}

TEST(SingleInstance, AFifoInTheLocksPlaceNeitherHangsNorCounts) {
    const std::string dir = freshDirectory("fifo");
    const std::string runtime = freshDirectory("fifo_runtime");
    const char* saved = std::getenv("XDG_RUNTIME_DIR");
    const std::string savedValue = saved != nullptr ? saved : "";
    ::setenv("XDG_RUNTIME_DIR", runtime.c_str(), 1);
    Copy first = startCopy(dir, false);
    ASSERT_EQ(first.read(), 'F');
    first.release();
    first.finish();
    std::string lock;
    for (const auto& entry : std::filesystem::directory_iterator(runtime))
        if (entry.path().extension() == ".lock") lock = entry.path().string();
    ASSERT_FALSE(lock.empty());
    std::filesystem::remove(lock);
    ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0);

    Copy next = startCopy(dir, false);
    EXPECT_EQ(next.read(), 'F');
    next.release();
    next.finish();
    if (saved != nullptr)
        ::setenv("XDG_RUNTIME_DIR", savedValue.c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
    std::filesystem::remove_all(dir);
    std::filesystem::remove_all(runtime);
}

}  // namespace
}  // namespace platform
