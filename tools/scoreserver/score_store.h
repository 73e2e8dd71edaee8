// ScoreStore: the recorded scores in a SQLite file (write-ahead log, prepared statements).
#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

struct ScoreRecord {
    std::string name;  // UTF-8
    uint32_t score = 0;
};

class ScoreStore {
  public:
    // Opens the database, creating it and its table when new. ok() tells whether that worked.
    explicit ScoreStore(const std::string& path);
    ~ScoreStore();
    ScoreStore(const ScoreStore&) = delete;
    ScoreStore& operator=(const ScoreStore&) = delete;

    bool ok() const { return db != nullptr; }
    const std::string& error() const { return lastError; }

    // True once the score is committed to the file. Safe from any thread.
    bool record(const std::string& name, uint32_t score);
    // The best `count` scores, highest first; equal scores in the order they were recorded.
    std::vector<ScoreRecord> best(int count);

  private:
    void checkpointLoop(const std::string& path);
    bool exec(const char* sql);
    void fail();

    std::mutex mutex;
    sqlite3* db = nullptr;
    sqlite3_stmt* insertStatement = nullptr;
    sqlite3_stmt* bestStatement = nullptr;
    std::string lastError;

    std::mutex checkpointMutex;
    std::condition_variable checkpointWake;
    bool stopping = false;
    std::thread checkpointer;
};
