// PostgresScoreStore: the scores in a PostgreSQL database shared by any number of server
// processes. Each process keeps a small pool of connections, one per call in progress, and
// waits on each only until the call's deadline: a connection that missed it is dropped, which
// rolls back whatever it had begun. Writers announce a change of the list (NOTIFY) and every
// process listens for it on a connection of its own.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "server/score_store.h"

struct pg_conn;

class PostgresScoreStore : public ScoreStore {
  public:
    static constexpr int kDefaultConnections = 16;

    // Connects to `url` (postgresql://...) and creates the table and its indexes when missing.
    explicit PostgresScoreStore(const std::string& url, int maxConnections = kDefaultConnections);
    ~PostgresScoreStore() override;
    PostgresScoreStore(const PostgresScoreStore&) = delete;
    PostgresScoreStore& operator=(const PostgresScoreStore&) = delete;

    using ScoreStore::record;
    bool ok() const override;
    std::string error() const override;
    RecordOutcome record(const std::string& name, uint32_t score, const std::string& uploadId,
                         StoreCall& call) override;
    RecordOutcome recordProven(const std::string& name, uint32_t score, const std::string& uploadId,
                               const ProvenGame& game, StoreCall& call) override;
    std::optional<std::string> replay(const std::string& id, StoreCall& call) override;
    KeepOutcome keepRecord(const HeldRecord& record, const RecordShare& share, int64_t now,
                           StoreCall& call) override;
    ProofLookup lookUpRecord(const std::string& id, int64_t now, StoreCall& call) override;
    bool dropRecords(const std::string& id, int64_t now, StoreCall& call) override;
    std::optional<std::vector<ScoreRecord>> read(int count, StoreCall& call) override;
    std::optional<std::vector<ScoreRecord>> readOneSitting(int count, StoreCall& call) override;
    long trim(long keep, StoreCall& call) override;
    PublishOutcome publishSet(const std::string& id, const std::string& name,
                              const std::string& file, int64_t now, unsigned maxSets,
                              StoreCall& call) override;
    std::optional<std::vector<LevelSetRow>> listSets(StoreCall& call) override;
    std::optional<std::string> setFile(const std::string& id, StoreCall& call) override;
    std::optional<std::string> setName(const std::string& id, StoreCall& call) override;
    bool hideSet(const std::string& id, bool& found, StoreCall& call) override;
    std::optional<std::vector<ScoreRecord>> readSet(const std::string& id, int count,
                                                    StoreCall& call) override;
    void watchOthers(std::function<void()> changed) override;
    bool shared() const override { return true; }

  private:
    RecordOutcome recordGame(const std::string& name, uint32_t score, const std::string& uploadId,
                             const ProvenGame* game, StoreCall& call);
    std::optional<std::vector<ScoreRecord>> readRows(bool oneSitting, int count, StoreCall& call);
    // `statement`: one of the file's prepared statements that lists rows.
    std::optional<std::vector<ScoreRecord>> readStatement(const void* statement,
                                                          const std::vector<const char*>& values,
                                                          StoreCall& call);
    pg_conn* connect(bool createSchema, StoreCall::Clock::time_point deadline);
    pg_conn* acquire(StoreCall& call);
    void release(pg_conn* connection, bool reusable);
    void setError(const std::string& message);
    void listenLoop();

    const std::string url;
    const int maxConnections;
    mutable std::mutex mutex;  // everything below but the listener's
    std::condition_variable returned;
    std::vector<pg_conn*> idle;
    int connections = 0;  // idle and in use
    bool opened = false;
    std::string lastError;

    std::function<void()> changed;
    std::atomic<bool> stopping{false};
    std::thread listener;
};
