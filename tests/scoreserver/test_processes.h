// Programs the score server's tests run: temporary directories, commands run as an
// unprivileged user when the tests run as root, and servers that end with the test.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

// Commands run as this user when the test runs as root (initdb and nginx refuse or drop root),
// and the owner of the directories they write.
constexpr uid_t kUnprivilegedUser = 65534;   // nobody
constexpr gid_t kUnprivilegedGroup = 65534;  // nogroup
std::vector<std::string> asUnprivileged(std::vector<std::string> command);

// A fresh directory under the temporary one, given to the unprivileged user; ends in '/', or ""
// on failure.
std::string makeTempDirectory(const char* prefix);

// Starts the command with its output appended to `log` and, when `fd3` is given, that
// descriptor as its fd 3; its process id, or -1.
pid_t spawnLogged(const std::vector<std::string>& command, const std::string& log, int fd3 = -1);

// Runs the command, its output appended to `log`; true when it exits with 0.
bool runCommand(const std::vector<std::string>& command, const std::string& log);

// A free TCP port on 127.0.0.1 (free when asked: for programs that cannot take port 0).
int freeLoopbackPort();

// A server run for the length of a test: killed by the kernel should the test process die,
// stopped with SIGTERM when the object goes.
class Daemon {
  public:
    enum class Output { ToLog, PortLine };
    // Standard error goes to `log`, and so does standard output unless the port is to be read
    // from its first line ("... HOST:PORT"). An unprivileged daemon runs as kUnprivilegedUser
    // when the test runs as root.
    Daemon(const std::vector<std::string>& command, const std::string& log, Output output,
           bool unprivileged = false);
    ~Daemon() { stop(); }
    Daemon(const Daemon&) = delete;
    Daemon& operator=(const Daemon&) = delete;

    // Sends SIGTERM and waits; the exit status, or -1 when it was not running.
    int stop();

    pid_t pid = -1;
    int port = 0;
};

// Polls until a TCP connection to 127.0.0.1:port succeeds, for at most about ten seconds.
bool waitForPort(int port);
