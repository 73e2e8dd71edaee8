// SqliteScoreStore: the scores in a SQLite file with a write-ahead log, one connection shared by
// the server's threads under a mutex, and a thread of its own that folds the log back into the
// file so that the log stays small under any load.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "tools/scoreserver/score_store.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteScoreStore : public ScoreStore {
  public:
    // Opens the file, creating it and its table when new (and adding the upload id to a table
    // made before it existed).
    explicit SqliteScoreStore(const std::string& path);
    ~SqliteScoreStore() override;
    SqliteScoreStore(const SqliteScoreStore&) = delete;
    SqliteScoreStore& operator=(const SqliteScoreStore&) = delete;

    bool ok() const override;
    std::string error() const override;
    bool record(const std::string& name, uint32_t score, const std::string& uploadId) override;
    // Answered from memory until the next recorded score: this process is the file's only
    // writer.
    std::vector<ScoreRecord> best(int count) override;

  private:
    static int onCommit(void* self, sqlite3* connection, const char* database, int frames);
    void checkpointLoop(const std::string& path);
    bool exec(const char* sql);
    bool prepareSchema();
    void fail();

    mutable std::mutex mutex;  // the connection, its statements, the cached list, lastError
    sqlite3* db = nullptr;
    sqlite3_stmt* insertStatement = nullptr;
    sqlite3_stmt* bestStatement = nullptr;
    std::string lastError;
    std::vector<ScoreRecord> cachedBest;
    int cachedCount = -1;  // the count cachedBest answers, or -1

    std::mutex checkpointMutex;
    std::condition_variable checkpointWake;
    bool checkpointWanted = false;
    bool stopping = false;
    std::thread checkpointer;
};
