// SqliteScoreStore: prepared statements on one connection; checkpoints on another.
#include "tools/scoreserver/sqlite_store.h"

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;  // another process holding the file waits, not fails
constexpr int kCheckpointIntervalMs = 1000;
// Log frames (a page each, about 4 KB) after which a commit wakes the checkpointer early, and
// after which the committing request folds the log itself because the checkpointer fell behind.
constexpr int kWakeFrames = 1024;
constexpr int kMaxFrames = 4096;
// The log file is cut back to this size whenever it starts over after a burst.
constexpr const char* kLogSizeLimit = "PRAGMA journal_size_limit=8388608;";

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 4294967295),"
    " upload_id TEXT);"
    "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores (score DESC, id ASC);";
constexpr const char* kHasUploadId =
    "SELECT 1 FROM pragma_table_info('scores') WHERE name = 'upload_id'";
constexpr const char* kAddUploadId = "ALTER TABLE scores ADD COLUMN upload_id TEXT;";
// Ids are unique; rows without one (NULL) never collide.
constexpr const char* kUploadIndex =
    "CREATE UNIQUE INDEX IF NOT EXISTS scores_by_upload ON scores (upload_id);";
constexpr const char* kInsert =
    "INSERT INTO scores (name, score, upload_id) VALUES (?1, ?2, ?3)"
    " ON CONFLICT (upload_id) DO NOTHING";
constexpr const char* kBest = "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT ?1";

}  // namespace

SqliteScoreStore::SqliteScoreStore(const std::string& path) {
    if (sqlite3_open_v2(path.c_str(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        fail();
        return;
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    // With the write-ahead log a commit is in the operating system's hands before the answer
    // goes out, so killing the process at any moment loses no answered score. NORMAL syncs the
    // disk at checkpoints rather than at every commit (a power cut may lose the last commits).
    if (!exec("PRAGMA journal_mode=WAL;") || !exec("PRAGMA synchronous=NORMAL;") ||
        !exec(kLogSizeLimit) || !prepareSchema() ||
        sqlite3_prepare_v3(db, kInsert, -1, SQLITE_PREPARE_PERSISTENT, &insertStatement, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v3(db, kBest, -1, SQLITE_PREPARE_PERSISTENT, &bestStatement, nullptr) !=
            SQLITE_OK) {
        fail();
        return;
    }
    // Replaces the automatic checkpoint inside commits: checkpoints run on their own thread.
    sqlite3_wal_hook(db, &SqliteScoreStore::onCommit, this);
    checkpointer = std::thread([this, path] { checkpointLoop(path); });
}

SqliteScoreStore::~SqliteScoreStore() {
    {
        std::lock_guard lock(checkpointMutex);
        stopping = true;
    }
    checkpointWake.notify_all();
    if (checkpointer.joinable()) checkpointer.join();
    sqlite3_finalize(insertStatement);
    sqlite3_finalize(bestStatement);
    sqlite3_close(db);  // checkpoints the log into the main file
}

bool SqliteScoreStore::ok() const {
    std::lock_guard lock(mutex);
    return db != nullptr;
}

std::string SqliteScoreStore::error() const {
    std::lock_guard lock(mutex);
    return lastError;
}

bool SqliteScoreStore::prepareSchema() {
    if (!exec(kSchema)) return false;
    sqlite3_stmt* query = nullptr;
    if (sqlite3_prepare_v2(db, kHasUploadId, -1, &query, nullptr) != SQLITE_OK) return false;
    const int step = sqlite3_step(query);
    sqlite3_finalize(query);
    if (step == SQLITE_DONE && !exec(kAddUploadId)) return false;
    return (step == SQLITE_ROW || step == SQLITE_DONE) && exec(kUploadIndex);
}

// Runs after every commit on the serving connection (under the store's mutex), with the number
// of frames now in the log.
int SqliteScoreStore::onCommit(void* self, sqlite3* connection, const char*, int frames) {
    auto* store = static_cast<SqliteScoreStore*>(self);
    if (frames >= kMaxFrames) {
        sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_FULL, nullptr, nullptr);
    } else if (frames >= kWakeFrames) {
        {
            std::lock_guard lock(store->checkpointMutex);
            store->checkpointWanted = true;
        }
        store->checkpointWake.notify_one();
    }
    return SQLITE_OK;
}

// Copies the log into the database file over a connection of its own, first while requests go
// on, then the little that was added meanwhile with requests held back for a moment. With the
// whole log copied and no reader in it, the next commit starts the log over from its beginning.
void SqliteScoreStore::checkpointLoop(const std::string& path) {
    sqlite3* connection = nullptr;
    // A connection only attaches to the log once it has read the database.
    if (sqlite3_open_v2(path.c_str(), &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK ||
        sqlite3_exec(connection, "SELECT count(*) FROM sqlite_schema;", nullptr, nullptr,
                     nullptr) != SQLITE_OK) {
        sqlite3_close(connection);
        return;
    }
    sqlite3_busy_timeout(connection, kBusyTimeoutMs);
    std::unique_lock lock(checkpointMutex);
    while (!stopping) {
        checkpointWake.wait_for(lock, std::chrono::milliseconds(kCheckpointIntervalMs),
                                [this] { return stopping || checkpointWanted; });
        if (stopping) break;
        checkpointWanted = false;
        lock.unlock();
        sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        {
            std::lock_guard held(mutex);
            sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                      nullptr);
        }
        lock.lock();
    }
    sqlite3_close(connection);
}

bool SqliteScoreStore::exec(const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteScoreStore::fail() {
    lastError = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_finalize(insertStatement);
    sqlite3_finalize(bestStatement);
    insertStatement = bestStatement = nullptr;
    sqlite3_close(db);
    db = nullptr;
}

bool SqliteScoreStore::record(const std::string& name, uint32_t score,
                              const std::string& uploadId) {
    std::lock_guard lock(mutex);
    if (db == nullptr) return false;
    sqlite3_bind_text(insertStatement, 1, name.data(), static_cast<int>(name.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(insertStatement, 2, static_cast<sqlite3_int64>(score));
    if (!uploadId.empty())
        sqlite3_bind_text(insertStatement, 3, uploadId.data(), static_cast<int>(uploadId.size()),
                          SQLITE_TRANSIENT);
    const bool done = sqlite3_step(insertStatement) == SQLITE_DONE;
    if (!done) lastError = sqlite3_errmsg(db);
    if (done && sqlite3_changes(db) > 0) cachedCount = -1;
    sqlite3_reset(insertStatement);
    sqlite3_clear_bindings(insertStatement);
    return done;
}

std::vector<ScoreRecord> SqliteScoreStore::best(int count) {
    std::lock_guard lock(mutex);
    if (db == nullptr) return {};
    if (count == cachedCount) return cachedBest;
    std::vector<ScoreRecord> records;
    sqlite3_bind_int(bestStatement, 1, count);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(bestStatement)) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(bestStatement, 0));
        const int bytes = sqlite3_column_bytes(bestStatement, 0);
        records.push_back({std::string(text != nullptr ? text : "", static_cast<size_t>(bytes)),
                           static_cast<uint32_t>(sqlite3_column_int64(bestStatement, 1))});
    }
    sqlite3_reset(bestStatement);
    if (step != SQLITE_DONE) {
        lastError = sqlite3_errmsg(db);
        return records;  // not cached: the next call reads again
    }
    cachedBest = records;
    cachedCount = count;
    return records;
}
