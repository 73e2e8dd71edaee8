// ScoreServer: the HTTP front of the score store, one script path for uploads and the list.
#pragma once
#include <httplib.h>

#include <string>

#include "tools/scoreserver/score_store.h"

class ScoreServer {
  public:
    static constexpr const char* kScriptPath = "/Vextorium2/updateScore.php";

    explicit ScoreServer(ScoreStore& store);
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds to host:port (port 0: any free port); the bound port, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop(); false when it could not serve at all.
    bool run();
    // Ends run() once the requests being handled are answered. Safe from any thread.
    void stop();
    bool running() const { return server.is_running(); }

  private:
    void handle(const httplib::Request& request, httplib::Response& response);
    std::string listText();

    ScoreStore& store;
    httplib::Server server;
    int listenSocket = -1;
};
