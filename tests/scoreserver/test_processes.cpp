// Test processes through posix_spawn; setpriv ties each server's life to the test's.
#include "test_processes.h"

#include "tests/support/port_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

constexpr int kOutputWaitMs = 10000;
constexpr int kConnectPolls = 1000;  // 10 ms apart
constexpr int kExitPolls = 1000;     // 10 ms apart

std::vector<char*> argvOf(const std::vector<std::string>& command) {
    std::vector<char*> argv;
    for (const std::string& arg : command) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    return argv;
}

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

}  // namespace

std::vector<std::string> asUnprivileged(std::vector<std::string> command) {
    if (::geteuid() != 0) return command;
    std::vector<std::string> wrapped = {"setpriv", "--reuid=" + std::to_string(kUnprivilegedUser),
                                        "--regid=" + std::to_string(kUnprivilegedGroup),
                                        "--clear-groups", "--"};
    wrapped.insert(wrapped.end(), command.begin(), command.end());
    return wrapped;
}

std::string makeTempDirectory(const char* prefix) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / (std::string(prefix) + "XXXXXX")).string();
    if (::mkdtemp(pattern.data()) == nullptr) return "";
    if (::geteuid() == 0 && ::chown(pattern.c_str(), kUnprivilegedUser, kUnprivilegedGroup) != 0)
        return "";
    return pattern + "/";
}

pid_t spawnLogged(const std::vector<std::string>& command, const std::string& log, int fd3) {
    std::vector<char*> argv = argvOf(command);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    posix_spawn_file_actions_adddup2(&actions, STDOUT_FILENO, STDERR_FILENO);
    if (fd3 >= 0) posix_spawn_file_actions_adddup2(&actions, fd3, 3);
    pid_t pid = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    return pid;
}

bool runCommand(const std::vector<std::string>& command, const std::string& log) {
    const pid_t pid = spawnLogged(command, log);
    int status = 0;
    return pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
           WEXITSTATUS(status) == 0;
}

int freeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (fd >= 0 && ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    if (fd >= 0) ::close(fd);
    return port;
}

bool waitForPort(int port) {
    for (int i = 0; i < kConnectPolls; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        const sockaddr_in address = loopback(port);
        const bool connected = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address),
                                                    sizeof address) == 0;
        if (fd >= 0) ::close(fd);
        if (connected) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

Daemon::Daemon(const std::vector<std::string>& command, const std::string& log, Output output,
               bool unprivileged) {
    // The death signal comes after the change of user, which would clear it.
    std::vector<std::string> tied = {"setpriv", "--pdeathsig", "KILL", "--"};
    tied.insert(tied.end(), command.begin(), command.end());
    if (unprivileged) tied = asUnprivileged(tied);
    std::vector<char*> argv = argvOf(tied);
    const bool readPort = output == Output::PortLine;
    int fds[2] = {-1, -1};
    if (readPort && ::pipe2(fds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, log.c_str(),
                                     O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (readPort)
        posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    else
        posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    if (!readPort) return;
    ::close(fds[1]);
    if (pid > 0) port = readAnnouncedPort(fds[0], kOutputWaitMs);
    ::close(fds[0]);
}

int Daemon::stop() {
    if (pid <= 0) return -1;
    ::kill(pid, SIGTERM);
    for (int i = 0; i < kExitPolls; ++i) {
        int status = 0;
        if (::waitpid(pid, &status, WNOHANG) == pid) {
            pid = -1;
            return status;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(pid, SIGKILL);
    ::waitpid(pid, nullptr, 0);
    pid = -1;
    return -1;
}
