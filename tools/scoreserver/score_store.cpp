// ScoreStore: one connection shared by the server's threads under a mutex.
#include "tools/scoreserver/score_store.h"

#include <sqlite3.h>

namespace {

constexpr int kBusyTimeoutMs = 5000;  // another process holding the file waits, not fails
constexpr int kCheckpointIntervalMs = 1000;

constexpr const char* kSchema =
    "CREATE TABLE IF NOT EXISTS scores ("
    " id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " name TEXT NOT NULL,"
    " score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 4294967295));"
    "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores (score DESC, id ASC);";
constexpr const char* kInsert = "INSERT INTO scores (name, score) VALUES (?1, ?2)";
constexpr const char* kBest = "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT ?1";

}  // namespace

ScoreStore::ScoreStore(const std::string& path) {
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
    // Checkpoints run on their own thread (below), never inside a request.
    if (!exec("PRAGMA journal_mode=WAL;") || !exec("PRAGMA synchronous=NORMAL;") ||
        !exec("PRAGMA wal_autocheckpoint=0;") || !exec(kSchema) ||
        sqlite3_prepare_v3(db, kInsert, -1, SQLITE_PREPARE_PERSISTENT, &insertStatement, nullptr) !=
            SQLITE_OK ||
        sqlite3_prepare_v3(db, kBest, -1, SQLITE_PREPARE_PERSISTENT, &bestStatement, nullptr) !=
            SQLITE_OK)
        fail();
    if (db != nullptr) checkpointer = std::thread([this, path] { checkpointLoop(path); });
}

ScoreStore::~ScoreStore() {
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

// Copies the log into the database file now and then over a connection of its own; a passive
// checkpoint never makes a request wait for it.
void ScoreStore::checkpointLoop(const std::string& path) {
    sqlite3* connection = nullptr;
    if (sqlite3_open_v2(path.c_str(), &connection, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX,
                        nullptr) != SQLITE_OK) {
        sqlite3_close(connection);
        return;
    }
    sqlite3_busy_timeout(connection, kBusyTimeoutMs);
    std::unique_lock lock(checkpointMutex);
    while (!stopping) {
        checkpointWake.wait_for(lock, std::chrono::milliseconds(kCheckpointIntervalMs));
        if (stopping) break;
        lock.unlock();
        sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        lock.lock();
    }
    sqlite3_close(connection);
}

bool ScoreStore::exec(const char* sql) {
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void ScoreStore::fail() {
    lastError = db != nullptr ? sqlite3_errmsg(db) : "out of memory";
    sqlite3_finalize(insertStatement);
    sqlite3_finalize(bestStatement);
    insertStatement = bestStatement = nullptr;
    sqlite3_close(db);
    db = nullptr;
}

bool ScoreStore::record(const std::string& name, uint32_t score) {
    std::lock_guard lock(mutex);
    if (db == nullptr) return false;
    sqlite3_bind_text(insertStatement, 1, name.data(), static_cast<int>(name.size()),
                      SQLITE_TRANSIENT);
    sqlite3_bind_int64(insertStatement, 2, static_cast<sqlite3_int64>(score));
    const bool done = sqlite3_step(insertStatement) == SQLITE_DONE;
    if (!done) lastError = sqlite3_errmsg(db);
    sqlite3_reset(insertStatement);
    sqlite3_clear_bindings(insertStatement);
    return done;
}

std::vector<ScoreRecord> ScoreStore::best(int count) {
    std::lock_guard lock(mutex);
    std::vector<ScoreRecord> records;
    if (db == nullptr) return records;
    sqlite3_bind_int(bestStatement, 1, count);
    while (sqlite3_step(bestStatement) == SQLITE_ROW) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(bestStatement, 0));
        const int bytes = sqlite3_column_bytes(bestStatement, 0);
        records.push_back({std::string(text != nullptr ? text : "", static_cast<size_t>(bytes)),
                           static_cast<uint32_t>(sqlite3_column_int64(bestStatement, 1))});
    }
    sqlite3_reset(bestStatement);
    return records;
}
