// PostgresScoreStore: the scores in a PostgreSQL database shared by any number of server
// processes. Each process keeps a small pool of connections, one per request in progress; the
// process keeps nothing else, so every answer is the database's.
#pragma once
#include <condition_variable>
#include <mutex>

#include "tools/scoreserver/score_store.h"

struct pg_conn;

class PostgresScoreStore : public ScoreStore {
  public:
    static constexpr int kDefaultConnections = 16;  // as many as the server's workers

    // Connects to `url` (postgresql://...) and creates the table and its indexes when missing.
    explicit PostgresScoreStore(const std::string& url, int maxConnections = kDefaultConnections);
    ~PostgresScoreStore() override;
    PostgresScoreStore(const PostgresScoreStore&) = delete;
    PostgresScoreStore& operator=(const PostgresScoreStore&) = delete;

    bool ok() const override;
    std::string error() const override;
    bool record(const std::string& name, uint32_t score, const std::string& uploadId) override;
    std::vector<ScoreRecord> best(int count) override;

  private:
    pg_conn* connect(bool createSchema);
    pg_conn* acquire();
    void release(pg_conn* connection);
    void setError(const std::string& message);

    const std::string url;
    const int maxConnections;
    mutable std::mutex mutex;  // everything below
    std::condition_variable returned;
    std::vector<pg_conn*> idle;
    int connections = 0;  // idle and in use
    bool opened = false;
    std::string lastError;
};
