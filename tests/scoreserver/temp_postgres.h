// A PostgreSQL server of the test's own: a fresh cluster in a temporary directory, reachable
// only through a Unix socket there, run by an unprivileged user when the test runs as root. It
// is stopped and its directory removed when the object goes, or by a watchdog process when the
// test process dies without tidying up.
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

class TempPostgres {
  public:
    TempPostgres();
    ~TempPostgres();
    TempPostgres(const TempPostgres&) = delete;
    TempPostgres& operator=(const TempPostgres&) = delete;

    bool ok() const { return error.empty(); }
    // A new empty database; its address, or "" (see error).
    std::string createDatabase();
    // Stops the server, ending every connection, and starts it again.
    bool restart();
    bool stop();
    bool start();
    // Freezes (SIGSTOP) or thaws (SIGCONT) the server and every process of it, as a machine
    // that stalls would.
    void freeze(bool frozen);

    std::string error;  // why the server is not there
    std::string directory;

  private:
    std::string address(const std::string& database) const;
    bool run(const std::vector<std::string>& command);
    void startWatchdog();

    std::string bin;  // initdb, pg_ctl
    int databases = 0;
    int watchdogPipe = -1;
    pid_t watchdog = -1;
};

// One server for the whole test program, started on first use.
TempPostgres& sharedPostgres();
