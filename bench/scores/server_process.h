// The scoreserver executable started on a free loopback port for the load and attack tools.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

struct StartedServer {
    pid_t pid = -1;
    int port = 0;  // read from the server's first line of output; 0 if it never said
};

// Runs `program --listen 127.0.0.1:0 --db database extra...`.
StartedServer startScoreServer(const std::string& program, const std::string& database,
                               const std::vector<std::string>& extra = {});
