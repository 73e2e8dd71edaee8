// ScoreService: what the server answers for everything that needs the score store (uploads,
// the list in its three forms, /healthz), decided without an HTTP thread ever waiting on the
// store: an answer is given at once when it is at hand, else later from a store worker or at
// the call's deadline. It also keeps the store to its bound of rows and its health known.
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "server/list_cache.h"
#include "server/score_store.h"
#include "server/store_workers.h"

struct StoreLimits {
    unsigned readMs = 1000;      // deadline of a read of the list
    unsigned writeMs = 2000;     // deadline of an upload, until its commit is sent
    unsigned staleSeconds = 60;  // how old a list may be served while the store does not answer
    unsigned keep = 100000;      // rows kept; the lowest-ranked beyond are deleted
    unsigned threads = 8;        // store workers
    unsigned queue = 256;        // store calls waiting for a worker; more get 503 at once
};

struct ServiceAnswer {
    enum class Kind { Text, Html, Json, Bytes };  // Bytes: a game's record
    unsigned status = 200;
    Kind kind = Kind::Text;
    std::shared_ptr<const std::string> body;
    std::vector<std::pair<const char*, std::string>> headers;  // Age, Retry-After
};

class ScoreService {
  public:
    using Reply = std::function<void(ServiceAnswer)>;
    static constexpr unsigned kMinKeep = 100;  // a listed row is never trimmed

    ScoreService(ScoreStore& store, const StoreLimits& limits);
    ~ScoreService();
    ScoreService(const ScoreService&) = delete;
    ScoreService& operator=(const ScoreService&) = delete;

    // Each gives its answer in `now` and returns true, or returns false and calls `later` once,
    // from another thread, within the call's deadline (an upload whose commit was sent: when
    // the commit is answered).
    // `game`: a proven upload's game (null for a plain upload).
    bool upload(const std::string& name, uint32_t score, const std::string& uploadId,
                std::shared_ptr<const ProvenGame> game, ServiceAnswer& now, Reply later);
    // The record of a proven row (404 when there is none).
    bool replay(const std::string& id, ServiceAnswer& now, Reply later);
    bool list(ServiceAnswer::Kind form, ServiceAnswer& now, Reply later);
    // The list when it is at hand without asking the store (the usual case); else false.
    bool listNow(ServiceAnswer::Kind form, ServiceAnswer& now);
    // 200 while the store answers within its deadlines, else 503; never waits.
    ServiceAnswer health() const;
    // Answers every call still waiting (503) and takes no more.
    void stop();

  private:
    void upkeep();
    void trimAll();
    void noteOutcome(bool answered) { healthy = answered; }

    ScoreStore& store;
    const StoreLimits limits;
    std::unique_ptr<StoreWorkers> workers;
    std::unique_ptr<ListCache> cache;
    std::atomic<bool> healthy{true};
    std::atomic<long> recordedSinceTrim{1};  // 1: trim once at the start

    std::mutex upkeepMutex;
    std::condition_variable upkeepWake;
    bool stopping = false;
    std::thread upkeeper;
};
