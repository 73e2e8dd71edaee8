// Program directory, non-blocking reads of regular files and atomic file writes over POSIX.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace platform {
namespace {
std::string overrideDirectory;
FileWrittenHook fileWritten = nullptr;
bool filesKeptCurrent = false;

bool writeAll(int fd, const uint8_t* data, size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}
constexpr const char* kTemporaryMark = ".tmp";  // a temporary file is "<file>.tmp<pid>"
constexpr size_t kMaxPidDigits = 9;

std::string temporaryPath(const std::string& path, pid_t pid) {
    return path + kTemporaryMark + std::to_string(pid);
}

// A writer killed between creating its temporary file and the rename leaves that file behind.
// Removes those beside `path` whose writer process no longer exists; a live writer's file (and
// anything not named like one) is left alone.
void removeStaleTemporaries(const std::string& directory, const std::string& fileName) {
    DIR* dir = ::opendir(directory.c_str());
    if (dir == nullptr) return;
    const std::string prefix = fileName + kTemporaryMark;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() <= prefix.size() || name.size() > prefix.size() + kMaxPidDigits ||
            name.compare(0, prefix.size(), prefix) != 0)
            continue;
        pid_t pid = 0;
        bool digits = true;
        for (size_t i = prefix.size(); i < name.size() && digits; ++i) {
            digits = name[i] >= '0' && name[i] <= '9';
            pid = pid * 10 + (name[i] - '0');
        }
        if (!digits || pid <= 0 || pid == ::getpid()) continue;
        if (::kill(pid, 0) != 0 && errno == ESRCH) ::unlinkat(::dirfd(dir), name.c_str(), 0);
    }
    ::closedir(dir);
}
constexpr size_t kReadChunk = 4096;  // read at a time past the size the file reported
}  // namespace

FileRead readFile(const std::string& path, size_t limit, Longer longer) {
    FileRead file;
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer forever.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        file.result = errno == ENOENT ? FileRead::Missing : FileRead::Failed;
        return file;
    }
    file.opened = true;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        file.result = FileRead::Failed;
        return file;
    }
    // The size is only a hint (the file may change while it is read): the bytes go straight
    // into a buffer of that size, and reading goes on past it to the end of the file or the
    // limit, whichever comes first.
    const size_t expected = info.st_size > 0 ? static_cast<size_t>(info.st_size) : 0;
    if (longer == Longer::Refused && expected > limit) {
        ::close(fd);
        file.result = FileRead::Failed;
        return file;
    }
    // Refused: one byte more is asked for, to tell a file that grew past the limit.
    const size_t wanted = longer == Longer::Refused && limit < SIZE_MAX ? limit + 1 : limit;
    file.bytes.resize(expected < wanted ? expected : wanted);
    file.result = FileRead::Read;
    uint8_t more[kReadChunk];
    size_t got = 0;
    while (got < wanted) {
        const bool inPlace = got < file.bytes.size();
        uint8_t* into = inPlace ? file.bytes.data() + got : more;
        const size_t want = inPlace                     ? file.bytes.size() - got
                            : wanted - got < kReadChunk ? wanted - got
                                                        : kReadChunk;
        const ssize_t n = ::read(fd, into, want);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) file.result = FileRead::Failed;
        if (n <= 0) break;
        if (!inPlace) file.bytes.insert(file.bytes.end(), more, more + n);
        got += static_cast<size_t>(n);
    }
    file.bytes.resize(got);
    ::close(fd);
    if (got > limit) {
        file.result = FileRead::Failed;
        file.bytes.clear();
    }
    return file;
}

bool createEmptyFile(const std::string& path) {
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NONBLOCK | O_CLOEXEC | O_NOCTTY, 0644);
    if (fd >= 0) return ::close(fd) == 0;
    return errno == EEXIST;
}

std::string executableDirectory() {
    char path[PATH_MAX];
    ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    std::string s(path, static_cast<size_t>(n));
    size_t slash = s.rfind('/');
    return slash == std::string::npos ? std::string("./") : s.substr(0, slash + 1);
}

std::string programDirectory() {
    return overrideDirectory.empty() ? executableDirectory() : overrideDirectory;
}

void setProgramDirectory(const std::string& directory) {
    overrideDirectory = directory;
    if (!overrideDirectory.empty() && overrideDirectory.back() != '/') overrideDirectory += '/';
}

std::string userDataDirectory() {
    const char* xdg = std::getenv("XDG_DATA_HOME");
    if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/vextorium2/";
    const char* home = std::getenv("HOME");
    const std::string base = home != nullptr && home[0] == '/' ? home : "/tmp";
    return base + "/.local/share/vextorium2/";
}

namespace {
std::string levelSetPath;
std::string levelSetName;

// Creates every missing level of the path (mkdir -p).
void makeDirectories(const std::string& path) {
    for (size_t slash = path.find('/', 1); slash != std::string::npos;
         slash = path.find('/', slash + 1))
        ::mkdir(path.substr(0, slash).c_str(), 0700);
}
}  // namespace

std::string levelFilePath() {
    return levelSetName.empty() ? programDirectory() + "BrickMap.dat" : levelSetPath;
}

void setLevelSet(const std::string& path, const std::string& id) {
    levelSetPath = id.empty() ? std::string() : path;
    levelSetName = id;
}

std::string levelSetId() {
    return levelSetName;
}

std::string writableDirectory() {
    const std::string program = programDirectory();
    std::string base;
    if (::access(program.c_str(), W_OK) == 0) {
        base = program;
    } else {
        base = userDataDirectory();
        makeDirectories(base);
    }
    if (levelSetName.empty()) return base;
    const std::string own = base + "sets/" + levelSetName + "/";
    makeDirectories(own);
    return own;
}

namespace {
bool durableWrites = true;
}  // namespace

void setDurableWrites(bool durable) {
    durableWrites = durable;
}

bool writeFileAtomically(const std::string& path, const void* data, size_t size) {
    std::string temp = temporaryPath(path, ::getpid());
    int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    bool ok = writeAll(fd, static_cast<const uint8_t*>(data), size) &&
              (!durableWrites || ::fsync(fd) == 0);
    ok = (::close(fd) == 0) && ok;
    if (ok) ok = ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        ::unlink(temp.c_str());
        return false;
    }
    // Make the rename itself durable.
    size_t slash = path.rfind('/');
    std::string dir = slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
    int dfd = durableWrites ? ::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC) : -1;
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    removeStaleTemporaries(dir, slash == std::string::npos ? path : path.substr(slash + 1));
    if (fileWritten != nullptr) fileWritten(path);
    return true;
}

void setFileWrittenHook(FileWrittenHook hook) {
    fileWritten = hook;
}

bool keepFilesCurrent() {
    return filesKeptCurrent;
}

void setKeepFilesCurrent(bool keep) {
    filesKeptCurrent = keep;
}

}  // namespace platform
