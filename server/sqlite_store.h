// SqliteScoreStore: the scores in a SQLite file with a write-ahead log: one connection writes,
// another reads beside it, and a thread of its own folds the log back into the file so that the
// log stays small under any load. A lock held by another process is waited for only until the
// call's deadline.
#pragma once
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "server/score_store.h"

struct sqlite3;
struct sqlite3_stmt;

class SqliteScoreStore : public ScoreStore {
  public:
    // Opens the file, creating it and its table when new (and adding the upload id to a table
    // made before it existed). A file that fails SQLite's quick check is refused unchanged.
    explicit SqliteScoreStore(const std::string& path);
    ~SqliteScoreStore() override;
    SqliteScoreStore(const SqliteScoreStore&) = delete;
    SqliteScoreStore& operator=(const SqliteScoreStore&) = delete;

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
    // Also takes the file's write lock for a moment: another process may hold it.
    bool probe(StoreCall& call) override;

  private:
    // A connection, its statements' deadline for the busy handler, and the lock that gives it
    // to one thread at a time.
    struct Connection {
        sqlite3* db = nullptr;
        std::timed_mutex mutex;
        std::atomic<StoreCall::Clock::rep> deadline{0};
    };
    static int onBusy(void* connection, int attempts);
    static int onCommit(void* self, sqlite3* connection, const char* database, int frames);
    bool openConnection(Connection& connection, const std::string& path, int flags);
    bool checkIntegrity();
    void checkpointLoop(const std::string& path);
    bool exec(sqlite3* connection, const char* sql);
    bool prepareSchema();
    // One column of a shown set (its file or its name): nullopt on an error, empty for none.
    std::optional<std::string> setColumn(const char* sql, const std::string& id, StoreCall& call);
    RecordOutcome recordGame(const std::string& name, uint32_t score, const std::string& uploadId,
                             const ProvenGame* game, StoreCall& call);
    RecordOutcome recordLocked(const std::string& name, uint32_t score, const std::string& uploadId,
                               const ProvenGame* game, StoreCall& call);
    KeepOutcome keepLocked(const HeldRecord& record, const RecordShare& share, int64_t now,
                           StoreCall& call);
    std::optional<std::vector<ScoreRecord>> readRows(sqlite3_stmt* statement, int count,
                                                     StoreCall& call);
    void setError(sqlite3* connection);
    void fail(const std::string& why);

    Connection writer;  // with insertStatement, findStatement and trimStatement
    Connection reader;  // with bestStatement and bestOneSittingStatement
    sqlite3_stmt* insertStatement = nullptr;
    sqlite3_stmt* findStatement = nullptr;
    sqlite3_stmt* trimStatement = nullptr;
    sqlite3_stmt* bestStatement = nullptr;
    sqlite3_stmt* bestOneSittingStatement = nullptr;  // reader's
    sqlite3_stmt* useKeyStatement = nullptr;          // writer's
    sqlite3_stmt* keyOwnerStatement = nullptr;        // writer's
    sqlite3_stmt* replayStatement = nullptr;          // reader's
    bool opened = false;
    mutable std::mutex errorMutex;
    std::string lastError;

    std::mutex checkpointMutex;
    std::condition_variable checkpointWake;
    bool checkpointWanted = false;
    bool stopping = false;
    std::thread checkpointer;
};
