// Spawning scoreserver and reading the port it reports.
#include "bench/scores/server_process.h"

#include <poll.h>
#include <spawn.h>
#include <stdlib.h>
#include <unistd.h>

extern char** environ;

namespace {
constexpr int kOutputWaitMs = 10000;
}

StartedServer startScoreServer(const std::string& program, const std::string& database,
                               const std::vector<std::string>& extra) {
    StartedServer started;
    int fds[2];
    if (::pipe(fds) != 0) return started;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::vector<std::string> args = {program, "--listen", "127.0.0.1:0", "--db", database};
    args.insert(args.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&started.pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0)
        started.pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string line;
    pollfd waiting{fds[0], POLLIN, 0};
    while (started.pid > 0 && line.find('\n') == std::string::npos &&
           ::poll(&waiting, 1, kOutputWaitMs) > 0) {
        char buffer[128];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    const size_t colon = line.rfind(':');
    if (colon != std::string::npos) started.port = std::atoi(line.c_str() + colon + 1);
    return started;
}
