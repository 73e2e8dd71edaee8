// ScoreService: what the server answers for everything that needs the score store or a verifier
// (uploads, plain or proven, the list in its three forms, the records of proven games,
// /healthz), decided without an HTTP thread ever waiting on either: an answer is given at once
// when it is at hand, else later from a store worker or a verifier, or at the call's deadline.
// Which rows are listed, an upload's verdict and its answer are decided here; the HTTP front
// only parses requests and sends answers. It also keeps the store to its bound of rows and its
// health known.
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
#include "server/proof_keeper.h"
#include "server/proof_verifier.h"
#include "server/score_rules.h"
#include "server/score_store.h"
#include "server/store_workers.h"

struct StoreLimits {
    unsigned readMs = 1000;      // deadline of a read of the list
    unsigned writeMs = 2000;     // deadline of an upload, until its commit is sent
    unsigned staleSeconds = 60;  // how old a list may be served while the store does not answer
    unsigned keep = 100000;      // rows kept; the lowest-ranked beyond are deleted
    unsigned threads = 8;        // store workers
    unsigned queue = 256;        // store calls waiting for a worker; more get 503 at once
    unsigned maxSets = 1000;     // level sets shown at once; more are refused (507)
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

    // The store lists unproven rows only when `proofs` accepts them; records are played again
    // by verifiers as `proofs` bounds them.
    ScoreService(ScoreStore& store, const StoreLimits& limits, const ProofLimits& proofs);
    ~ScoreService();
    ScoreService(const ScoreService&) = delete;
    ScoreService& operator=(const ScoreService&) = delete;

    // Each gives its answer in `now` and returns true, or returns false and calls `later` once,
    // from another thread, within the call's deadline (an upload whose commit was sent: when
    // the commit is answered).
    // An upload as the script decided it, from `client`. A plain one is stored. One naming its
    // record (held in the store for it) is stored only once the record is judged: proven when
    // the game ends with the upload's score, unproven for a record of other rules; any other
    // record is refused (422). A record proven before, or judged by this server before, is
    // not played again. What may work later (busy, not checked, not arrived) is 503; a client
    // past its share of the verifiers is told when to come back (429).
    bool upload(const ScoreRequest& upload, const std::string& client, ServiceAnswer& now,
                Reply later);
    // A record POSTed ahead of its upload: held in the store under its id (the answer), or 429
    // when `client` has its share held already.
    bool keepRecord(std::shared_ptr<std::string> bytes, const std::string& client,
                    ServiceAnswer& now, Reply later);
    // The record of a proven row (404 when there is none).
    bool replay(const std::string& id, ServiceAnswer& now, Reply later);
    // The list in `form`; the page and JSON with `oneSitting` list only proven games played
    // in one sitting (the list reply has no such form).
    bool list(ServiceAnswer::Kind form, bool oneSitting, ServiceAnswer& now, Reply later);
    // The list when it is at hand without asking the store (the usual case); else false.
    bool listNow(ServiceAnswer::Kind form, bool oneSitting, ServiceAnswer& now);
    // Level sets. A set file (checked here) published under `name`: its id, or why not. The
    // shown sets as a page or JSON; a shown set's file (404 for none); the board of one set in
    // `form` (the list reply, the page or JSON), its proven games only.
    bool publishSet(std::shared_ptr<const std::string> file, const std::string& name,
                    ServiceAnswer& now, Reply later);
    bool sets(ServiceAnswer::Kind form, ServiceAnswer& now, Reply later);
    bool setFile(const std::string& id, ServiceAnswer& now, Reply later);
    bool setBoard(ServiceAnswer::Kind form, const std::string& id, ServiceAnswer& now, Reply later);
    // 200 while the store answers within its deadlines, else 503; never waits.
    ServiceAnswer health() const;
    // Answers every call still waiting (503) and takes no more.
    void stop();

  private:
    // `game`: a proven upload's game (null for a plain or unproven upload).
    bool recordUpload(const ScoreRequest& upload, std::shared_ptr<const ProvenGame> game,
                      ServiceAnswer& now, Reply later);
    // The upload's answer from the record's verdict; `record` may be empty for a game proven
    // before.
    void judged(const ScoreRequest& upload, const Verdict& verdict, const std::string& record,
                const std::shared_ptr<Reply>& reply);
    void dropRecord(const std::string& id);
    // Runs `task` on a store worker with the read deadline; `busy` answers when none is free.
    bool onWorker(std::function<void(StoreCall&, const std::shared_ptr<Reply>&)> task,
                  const char* busy, ServiceAnswer& now, Reply later);
    void upkeep();
    void trimAll();
    void noteOutcome(bool answered) { healthy = answered; }

    ScoreStore& store;
    const StoreLimits limits;
    std::unique_ptr<StoreWorkers> workers;
    std::unique_ptr<ListCache> cache;
    const ProofLimits proofs;
    std::unique_ptr<ProofVerifier> verifier;
    VerdictCache verdicts;
    std::atomic<bool> healthy{true};
    std::atomic<long> recordedSinceTrim{1};  // 1: trim once at the start

    std::mutex upkeepMutex;
    std::condition_variable upkeepWake;
    bool stopping = false;
    std::thread upkeeper;
};
