// ScoreServer: the HTTP front of the score service, one script path for uploads and the list, a
// leaderboard page (/scores, /scores.json) and the web game's files everywhere else. It parses
// requests and sends answers; what a request to the service is answered, the service decides.
// Whatever one client sends, the others keep being answered: every connection's memory, the
// time a request may take to arrive, the time a kept-alive connection may idle, and the number
// of connections in all and per client address are bounded; idle sockets cost no thread.
#pragma once
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "server/client_address.h"
#include "server/client_counts.h"
#include "server/proof_keeper.h"
#include "server/score_rules.h"
#include "server/score_service.h"
#include "server/score_store.h"
#include "server/upload_rate.h"
#include "server/web_files.h"

struct MHD_Daemon;
struct MHD_Connection;
struct PendingAnswer;
struct RequestState;

struct ServerLimits {
    size_t maxTarget = 512;         // bytes of request target; longer ones get 414
    size_t maxHeaderBytes = 16384;  // request line and header lines held per connection
    unsigned maxHeaders = 64;       // header lines per request; more get 431
    unsigned requestSeconds = 5;    // to receive a whole request, from connecting or last answer
    unsigned idleSeconds = 2;       // a connection with no traffic for this long is closed
    unsigned maxConnections = 2048;
    unsigned maxPerAddress = 256;
    unsigned threads = 4;           // each waits on many sockets at once
    double uploadsPerSecond = 1;    // per client, beyond the burst; 0: no limit
    unsigned uploadBurst = 100;     // a whole table of pending scores goes up at once
    TrustedProxies trustedProxies;  // whose word on the client address is taken
    ProofLimits proofs;             // records, their verifiers, and what is listed
};

class ScoreServer {
  public:
    static constexpr const char* kScriptPath = "/Vextorium2/updateScore.php";
    static constexpr const char* kPagePath = "/scores";
    static constexpr const char* kJsonPath = "/scores.json";
    static constexpr const char* kHealthPath = "/healthz";
    static constexpr const char* kProofPath = "/Vextorium2/proof";
    static constexpr const char* kReplayPrefix = "/replays/";
    // Level sets: POST /sets?name=NAME publishes one; GET /sets, /sets.json and /sets/ID.
    static constexpr const char* kSetsPath = "/sets";
    static constexpr const char* kSetsJsonPath = "/sets.json";
    static constexpr const char* kSetPrefix = "/sets/";

    // `web` (kept by the caller, may be null) answers every other GET and HEAD. The store is
    // only ever called from the service's own workers, each call with its deadline.
    explicit ScoreServer(ScoreStore& store, const ServerLimits& limits = {},
                         const WebFiles* web = nullptr, const StoreLimits& storeLimits = {});
    ~ScoreServer();
    ScoreServer(const ScoreServer&) = delete;
    ScoreServer& operator=(const ScoreServer&) = delete;

    // Binds to host:port (port 0: any free port); the bound port, or -1.
    int bind(const std::string& host, int port);
    // Serves until stop(); false when it could not serve at all.
    bool run();
    // Ends run(), closing every connection. Safe from any thread, before or during run().
    void stop();
    bool running() const { return serving; }

  private:
    struct Hooks;  // the library's entry points: plain functions given the server
    using Clock = std::chrono::steady_clock;
    struct Tracked {
        int fd = -1;
        Clock::time_point deadline = Clock::time_point::max();  // max: being answered
        std::string client;  // counted in `clients` while open; empty for a trusted proxy
    };

    void track(MHD_Connection* connection, Clock::time_point deadline);
    int answerRequest(MHD_Connection* connection, const std::string& target,
                      const std::string& method, const std::string& client,
                      std::shared_ptr<PendingAnswer>& pending);
    int answerScript(MHD_Connection* connection, const std::string& target,
                     const std::string& method, const std::string& client,
                     std::shared_ptr<PendingAnswer>& pending);
    int answerWebFile(MHD_Connection* connection, const std::string& path);
    void gather(RequestState& request, const char* data, size_t size);
    int answerProofPost(MHD_Connection* connection, RequestState& request);
    int answerSetPost(MHD_Connection* connection, RequestState& request);
    // /sets, /sets.json, /sets/ID; -2 when `path` is none of them.
    int answerSets(MHD_Connection* connection, const std::string& path,
                   std::shared_ptr<PendingAnswer>& pending);
    int answerList(MHD_Connection* connection, std::shared_ptr<PendingAnswer>& pending,
                   ServiceAnswer::Kind form, bool oneSitting);
    using ServiceCall = std::function<bool(ServiceAnswer&, ScoreService::Reply)>;
    int answerFromService(MHD_Connection* connection, std::shared_ptr<PendingAnswer>& pending,
                          const ServiceCall& ask);
    void expireLateRequests();

    const ServerLimits limits;
    const WebFiles* const web;
    int listenSocket = -1;
    std::atomic<bool> serving{false};
    std::unique_ptr<ScoreService> service;
    std::unique_ptr<ProofKeeper> proofKeeper;  // the bytes of records arriving
    std::atomic<int> suspended{0};             // connections waiting for the service's answer

    std::mutex stopMutex;
    std::condition_variable stopWake;
    bool stopRequested = false;

    std::mutex trackedMutex;  // connections and their deadlines
    std::map<MHD_Connection*, Tracked> tracked;

    ClientCounts clients;  // connections by peer, or forwarded requests by client
    UploadRate uploads;
};
