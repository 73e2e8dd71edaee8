// A score server run inside the test on a free port of 127.0.0.1, over a SQLite database in a
// fresh directory, with the web game's files when given.
#pragma once
#include <httplib.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "server/score_server.h"
#include "server/sqlite_store.h"
#include "test_processes.h"

// Limits as the server's own, but without the per-client upload rate: the tests upload many
// scores from one address.
inline ServerLimits withoutUploadRate(ServerLimits limits = {}) {
    limits.uploadsPerSecond = 0;
    return limits;
}

class InProcessServer {
  public:
    static constexpr int kStartPolls = 5000;  // 1 ms each

    // `provenOnly` false: plain uploads are listed as with --accept-unproven, as most cases
    // upload plain scores.
    explicit InProcessServer(const ServerLimits& limits = withoutUploadRate(),
                             const WebFiles* web = nullptr, const StoreLimits& storeLimits = {},
                             bool provenOnly = false)
        : directory(makeTempDirectory("scoreserver_test")),
          store(directory + "scores.sqlite"),
          server(store, listing(limits, provenOnly), web, storeLimits) {
        port = server.bind("127.0.0.1", 0);
        thread = std::thread([this] { server.run(); });
        for (int i = 0; i < kStartPolls && !server.running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~InProcessServer() {
        server.stop();
        thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    static ServerLimits listing(ServerLimits limits, bool provenOnly) {
        limits.proofs.acceptUnproven = !provenOnly;
        return limits;
    }
    // Targets go out exactly as written, malformed escapes included.
    httplib::Client client() const {
        httplib::Client c("127.0.0.1", port);
        c.set_url_encode(false);
        return c;
    }

    std::string directory;
    SqliteScoreStore store;
    ScoreServer server;
    std::thread thread;
    int port = 0;
};
