// Spawning scoreserver and reading the port it reports.
#include "bench/scores/server_process.h"

#include "tests/support/port_line.h"

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
    if (started.pid > 0) started.port = readAnnouncedPort(fds[0], kOutputWaitMs);
    ::close(fds[0]);
    return started;
}
