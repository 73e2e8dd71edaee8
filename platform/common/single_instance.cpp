// Single instance over a lock file held with flock and an abstract local socket, both named
// after the program, the user and the program directory.
#include "platform/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/files.h"

namespace platform {
namespace {

constexpr int kAttempts = 5;
constexpr uint32_t kRetryMs = 100;  // the first copy may be ending or still starting
constexpr int kBacklog = 4;
constexpr char kRaiseRequest = 'R';

int lockFd = -1;
int listenFd = -1;

// Plain nanosleep: this file is shared by both back ends and must not need their clocks.
void waitMs(uint32_t ms) {
    timespec wanted{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    timespec left{};
    while (nanosleep(&wanted, &left) != 0 && errno == EINTR) wanted = left;
}

uint64_t fnv1a(const std::string& text) {
    uint64_t hash = 0xCBF29CE484222325ull;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// "<name>-<uid>-<hash of the program directory>": two installs, two users and parallel test
// runs with different program directories never meet.
std::string instanceId(const std::string& name) {
    char suffix[64];
    std::snprintf(suffix, sizeof suffix, "-%u-%016llx", static_cast<unsigned>(::getuid()),
                  static_cast<unsigned long long>(fnv1a(programDirectory())));
    return name + suffix;
}

std::string lockDirectory() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat info {};
    if (runtime != nullptr && runtime[0] == '/' && ::stat(runtime, &info) == 0 &&
        S_ISDIR(info.st_mode) && info.st_uid == ::getuid()) {
        return runtime;
    }
    return "/tmp";
}

socklen_t socketAddress(const std::string& id, sockaddr_un& address) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    // Abstract name: a leading zero byte, then the id (no file, gone with the process).
    const size_t length = std::min(id.size(), sizeof address.sun_path - 1);
    std::memcpy(address.sun_path + 1, id.data(), length);
    return static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + length);
}

// 1: the first copy was asked to raise its window; 0: nobody listens; -1: no socket at all.
int askToRaise(const std::string& id) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    sockaddr_un address;
    const socklen_t length = socketAddress(id, address);
    int result = 0;
    if (::connect(fd, reinterpret_cast<sockaddr*>(&address), length) == 0) {
        const ssize_t sent = ::send(fd, &kRaiseRequest, 1, MSG_NOSIGNAL);
        result = sent == 1 ? 1 : 0;
    }
    ::close(fd);
    return result;
}

// 1: listening; 0: the name is taken (another copy listens); -1: no socket at all.
int listenForRaises(const std::string& id) {
    int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_un address;
    const socklen_t length = socketAddress(id, address);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EADDRINUSE ? 0 : -1;
    }
    if (::listen(fd, kBacklog) != 0) {
        ::close(fd);
        return -1;
    }
    listenFd = fd;
    return 1;
}

}  // namespace

InstanceCheck ensureSingleInstance(const std::string& name) {
    if (lockFd >= 0) return InstanceCheck::First;
    const std::string id = instanceId(name);
    const std::string lockPath = lockDirectory() + "/" + id + ".lock";
    // Never waits on a FIFO someone put in the lock's place, and takes nothing but a plain file.
    int fd =
        ::open(lockPath.c_str(), O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
    struct stat lockStat {};
    if (fd >= 0 && (::fstat(fd, &lockStat) != 0 || !S_ISREG(lockStat.st_mode))) {
        ::close(fd);
        fd = -1;
    }

    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            // Held until the process ends, however it ends.
            lockFd = fd;
            if (listenForRaises(id) == 0) {
                // Same namespace, same name, yet another lock directory: that copy counts.
                ::close(lockFd);
                lockFd = -1;
                askToRaise(id);
                return InstanceCheck::OtherRaised;
            }
            return InstanceCheck::First;
        }
        if (fd < 0) {
            // No lock file possible: the socket alone decides.
            const int listening = listenForRaises(id);
            if (listening == 1) {
                lockFd = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
                return InstanceCheck::First;
            }
            if (listening < 0) return InstanceCheck::Failed;
        }
        if (askToRaise(id) == 1) {
            if (fd >= 0) ::close(fd);
            return InstanceCheck::OtherRaised;
        }
        waitMs(kRetryMs);
    }
    // The lock is held but nobody answers (another network namespace, or a copy still
    // starting): another copy runs all the same.
    if (fd >= 0) {
        ::close(fd);
        return InstanceCheck::OtherRaised;
    }
    return InstanceCheck::Failed;
}

bool takeRaiseRequest() {
    if (listenFd < 0) return false;
    for (;;) {
        const int client = ::accept4(listenFd, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) return false;
        // Anyone on the machine can reach an abstract socket: only our own user may raise us.
        ucred peer{};
        socklen_t size = sizeof peer;
        const bool ours = ::getsockopt(client, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 &&
                          peer.uid == ::getuid();
        ::close(client);
        if (ours) return true;
    }
}

}  // namespace platform
