// TempPostgres: initdb and pg_ctl from the PostgreSQL server package.
#include "temp_postgres.h"

#include "test_processes.h"

#include <errno.h>
#include <fcntl.h>
#include <libpq-fe.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

extern char** environ;

namespace {

constexpr const char* kPort = "5432";  // only names the socket in our own directory
constexpr const char* kSuperuser = "scores";

// The newest /usr/lib/postgresql/N/bin holding initdb, else the directory of one on the PATH.
std::string findServerPrograms() {
    std::string best;
    int bestVersion = -1;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/usr/lib/postgresql", error)) {
        const int version = std::atoi(entry.path().filename().c_str());
        if (version > bestVersion && std::filesystem::exists(entry.path() / "bin" / "initdb")) {
            bestVersion = version;
            best = (entry.path() / "bin").string() + "/";
        }
    }
    if (!best.empty()) return best;
    const char* path = std::getenv("PATH");
    std::string paths = path != nullptr ? path : "";
    for (size_t start = 0; start <= paths.size();) {
        size_t end = paths.find(':', start);
        if (end == std::string::npos) end = paths.size();
        const std::string dir = paths.substr(start, end - start);
        if (!dir.empty() && ::access((dir + "/initdb").c_str(), X_OK) == 0) return dir + "/";
        start = end + 1;
    }
    return "";
}

}  // namespace

TempPostgres::TempPostgres() : bin(findServerPrograms()) {
    if (bin.empty()) {
        error = "the PostgreSQL server programs (initdb, pg_ctl) are not installed";
        return;
    }
    directory = makeTempDirectory("scores_pg");
    if (directory.empty()) {
        error = "no temporary directory";
        return;
    }
    startWatchdog();
    if (!ok()) return;
    const std::string data = directory + "data";
    if (!run({bin + "initdb", "-D", data, "-U", kSuperuser, "-A", "trust", "-E", "UTF8",
              "--no-locale", "--no-sync"})) {
        error = "initdb failed (see " + directory + "log)";
        return;
    }
    {
        std::ofstream conf(data + "/postgresql.conf", std::ios::app);
        conf << "listen_addresses = ''\n"
             << "unix_socket_directories = '" << directory << "'\n"
             << "port = " << kPort << "\n"
             << "fsync = off\nfull_page_writes = off\n"
             << "max_connections = 100\nshared_buffers = 16MB\n";
    }
    if (!run({bin + "pg_ctl", "start", "-w", "-t", "60", "-D", data, "-l",
              directory + "server.log"})) {
        error = "pg_ctl start failed (see " + directory + "server.log)";
        return;
    }
}

TempPostgres::~TempPostgres() {
    if (watchdog > 0) {
        ::close(watchdogPipe);  // the watchdog stops the server and removes the directory
        ::waitpid(watchdog, nullptr, 0);
    } else if (!directory.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
}

bool TempPostgres::run(const std::vector<std::string>& command) {
    return runCommand(asUnprivileged(command), directory + "log");
}

// A child that waits for the end of a pipe only this process holds; it ends when this object
// goes or when the process dies in any way, and then stops the server.
void TempPostgres::startWatchdog() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) {
        error = "no pipe";
        return;
    }
    std::vector<std::string> stop =
        asUnprivileged({bin + "pg_ctl", "stop", "-w", "-m", "immediate", "-D", directory + "data"});
    std::string script;
    for (const std::string& arg : stop) script += "'" + arg + "' ";
    script += ">/dev/null 2>&1; rm -rf '" + directory + "'";
    const std::string shell = "/bin/sh", dashC = "-c";
    char* argv[] = {const_cast<char*>(shell.c_str()), const_cast<char*>(dashC.c_str()),
                    script.data(), nullptr};
    watchdog = ::fork();
    if (watchdog == 0) {
        ::close(fds[1]);
        char byte = 0;
        ssize_t n = 0;
        do n = ::read(fds[0], &byte, 1);
        while (n > 0 || (n < 0 && errno == EINTR));
        ::execve(argv[0], argv, environ);
        ::_exit(127);
    }
    ::close(fds[0]);
    watchdogPipe = fds[1];
    if (watchdog < 0) error = "no watchdog";
}

std::string TempPostgres::address(const std::string& database) const {
    return "postgresql://" + std::string(kSuperuser) + "@/" + database + "?host=" + directory +
           "&port=" + kPort;
}

std::string TempPostgres::createDatabase() {
    if (!ok()) return "";
    const std::string name = "scores" + std::to_string(++databases);
    PGconn* connection = PQconnectdb(address("postgres").c_str());
    PGresult* result = PQexec(connection, ("CREATE DATABASE " + name).c_str());
    const bool created = PQresultStatus(result) == PGRES_COMMAND_OK;
    if (!created) error = PQerrorMessage(connection);
    PQclear(result);
    PQfinish(connection);
    return created ? address(name) : "";
}

bool TempPostgres::restart() {
    return ok() && run({bin + "pg_ctl", "restart", "-w", "-t", "60", "-m", "fast", "-D",
                        directory + "data", "-l", directory + "server.log"});
}

bool TempPostgres::stop() {
    return ok() && run({bin + "pg_ctl", "stop", "-w", "-m", "fast", "-D", directory + "data"});
}

bool TempPostgres::start() {
    return ok() && run({bin + "pg_ctl", "start", "-w", "-t", "60", "-D", directory + "data", "-l",
                        directory + "server.log"});
}

// The postmaster (first line of postmaster.pid) first, so that it starts no new process, then
// its children, found by their parent in /proc.
void TempPostgres::freeze(bool frozen) {
    std::ifstream pidFile(directory + "data/postmaster.pid");
    pid_t postmaster = 0;
    if (!(pidFile >> postmaster) || postmaster <= 0) return;
    const int signal = frozen ? SIGSTOP : SIGCONT;
    ::kill(postmaster, signal);
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator("/proc", error)) {
        const pid_t pid = std::atoi(entry.path().filename().c_str());
        if (pid <= 0) continue;
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        std::getline(stat, line);
        const size_t close = line.rfind(')');  // the name may hold spaces
        if (close == std::string::npos) continue;
        char state = 0;
        pid_t parent = 0;
        if (std::sscanf(line.c_str() + close + 1, " %c %d", &state, &parent) == 2 &&
            parent == postmaster)
            ::kill(pid, signal);
    }
}

TempPostgres& sharedPostgres() {
    static TempPostgres server;
    return server;
}
