// SqliteScoreStore: prepared statements on a writing and a reading connection; checkpoints on a
// third.
#include "server/sqlite_store.h"

#include <sqlite3.h>
#include <sys/stat.h>

#include <algorithm>

namespace {

using Clock = StoreCall::Clock;

constexpr int kCheckpointBusyMs = 5000;  // the checkpointer waits for nobody's answer
constexpr int kCheckpointIntervalMs = 1000;
constexpr auto kBusyStep = std::chrono::milliseconds(2);
// Log frames (a page each, about 4 KB) after which a commit wakes the checkpointer early, and
// after which the committing request folds the log itself because the checkpointer fell behind.
constexpr int kWakeFrames = 1024;
constexpr int kMaxFrames = 4096;
constexpr int kTrimBatch = 5000;  // rows deleted per statement, so writes wait only briefly
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
    "INSERT INTO scores (name, score, upload_id, proven, proof_id, record, sessions, pace,"
    " level_set) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9) ON CONFLICT (upload_id) DO NOTHING";
// Proofs: the flag, the record of a proven row, and the keys of every game accepted, kept
// apart from the rows so that deleting old rows never makes a game acceptable again.
constexpr const char* kHasProven =
    "SELECT 1 FROM pragma_table_info('scores') WHERE name = 'proven'";
constexpr const char* kAddProven =
    "ALTER TABLE scores ADD COLUMN proven INTEGER NOT NULL DEFAULT 0;"
    "ALTER TABLE scores ADD COLUMN proof_id TEXT;"
    "ALTER TABLE scores ADD COLUMN record BLOB;";
// The sittings of a proven row's record; NULL for plain rows and rows stored before it.
constexpr const char* kHasSessions =
    "SELECT 1 FROM pragma_table_info('scores') WHERE name = 'sessions'";
constexpr const char* kAddSessions = "ALTER TABLE scores ADD COLUMN sessions INTEGER;";
// The pace (percent) a proven row's game was played at; NULL (full pace) for plain rows and rows
// stored before paces. The default boards list full-pace games only.
constexpr const char* kHasPace = "SELECT 1 FROM pragma_table_info('scores') WHERE name = 'pace'";
constexpr const char* kAddPace = "ALTER TABLE scores ADD COLUMN pace INTEGER;";
constexpr const char* kProofSchema =
    "CREATE TABLE IF NOT EXISTS used_proofs (key TEXT PRIMARY KEY, upload_id TEXT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS scores_by_proof ON scores (proof_id);";
// Records waiting for their uploads, held for every server on the file and across restarts, and
// the ids of records proven, so that none is played twice. Tables of their own: the scores'
// rows never carry them.
constexpr const char* kRecordSchema =
    "CREATE TABLE IF NOT EXISTS held_records (id TEXT PRIMARY KEY, record BLOB NOT NULL,"
    " client TEXT NOT NULL, expires INTEGER NOT NULL);"
    "CREATE INDEX IF NOT EXISTS held_records_by_client ON held_records (client, expires);"
    "CREATE INDEX IF NOT EXISTS held_records_by_expiry ON held_records (expires);"
    "CREATE TABLE IF NOT EXISTS proven_records (id TEXT PRIMARY KEY, key TEXT NOT NULL,"
    " score INTEGER NOT NULL);";
constexpr const char* kHeldAlready = "SELECT 1 FROM held_records WHERE id = ?1 AND expires > ?2";
constexpr const char* kClientShare =
    "SELECT count(*), coalesce(sum(length(record)), 0) FROM held_records"
    " WHERE client = ?1 AND expires > ?2";
constexpr const char* kHold =
    "INSERT INTO held_records (id, record, client, expires) VALUES (?1, ?2, ?3, ?4)"
    " ON CONFLICT (id) DO UPDATE SET expires = max(expires, excluded.expires),"
    " client = CASE WHEN held_records.expires > ?5 THEN held_records.client"
    " ELSE excluded.client END";
constexpr const char* kHeldRecord =
    "SELECT record FROM held_records WHERE id = ?1 AND expires > ?2";
constexpr const char* kProvenRecord = "SELECT key, score FROM proven_records WHERE id = ?1";
constexpr const char* kNoteProven =
    "INSERT INTO proven_records (id, key, score) VALUES (?1, ?2, ?3) ON CONFLICT (id) DO NOTHING";
constexpr const char* kDropRecord = "DELETE FROM held_records WHERE id = ?1";
constexpr const char* kDropExpired = "DELETE FROM held_records WHERE expires <= ?1";
constexpr const char* kUseKey =
    "INSERT INTO used_proofs (key, upload_id) VALUES (?1, ?2) ON CONFLICT (key) DO NOTHING";
constexpr const char* kKeyOwner = "SELECT upload_id FROM used_proofs WHERE key = ?1";
constexpr const char* kReplay = "SELECT record FROM scores WHERE proof_id = ?1 AND proven = 1";
constexpr const char* kFind = "SELECT name, score, proven FROM scores WHERE upload_id = ?1";
constexpr const char* kBest =
    "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
    " WHERE (proven = 1 OR ?2) AND coalesce(pace, 100) = 100 AND level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT ?1";
constexpr const char* kBestOneSitting =
    "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
    " WHERE proven = 1 AND sessions = 1 AND coalesce(pace, 100) = 100 AND level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT ?1";
constexpr const char* kBestAnyPace =
    "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
    " WHERE (proven = 1 OR ?2) AND level_set IS NULL ORDER BY score DESC, id ASC LIMIT ?1";
// Level sets: the sets published, and on each proven row the set it was played on (NULL: the
// built-in set, as every row stored before sets is).
constexpr const char* kHasLevelSet =
    "SELECT 1 FROM pragma_table_info('scores') WHERE name = 'level_set'";
constexpr const char* kAddLevelSet = "ALTER TABLE scores ADD COLUMN level_set TEXT;";
constexpr const char* kSetSchema =
    "CREATE TABLE IF NOT EXISTS level_sets (id TEXT PRIMARY KEY, name TEXT NOT NULL,"
    " file BLOB NOT NULL, published INTEGER NOT NULL, hidden INTEGER NOT NULL DEFAULT 0);"
    "CREATE INDEX IF NOT EXISTS scores_by_set ON scores (level_set, score DESC, id ASC)"
    " WHERE level_set IS NOT NULL;";
constexpr const char* kSetState = "SELECT hidden FROM level_sets WHERE id = ?1";
constexpr const char* kShownSets = "SELECT count(*) FROM level_sets WHERE hidden = 0";
constexpr const char* kPublishSet =
    "INSERT INTO level_sets (id, name, file, published) VALUES (?1, ?2, ?3, ?4)";
constexpr const char* kListSets =
    "SELECT s.id, s.name, s.published, count(g.id), coalesce(max(g.score), 0)"
    " FROM level_sets s LEFT JOIN scores g ON g.level_set = s.id AND g.proven = 1"
    " WHERE s.hidden = 0 GROUP BY s.id ORDER BY s.published DESC, s.id ASC";
constexpr const char* kSetFile = "SELECT file FROM level_sets WHERE id = ?1 AND hidden = 0";
constexpr const char* kSetName = "SELECT name FROM level_sets WHERE id = ?1 AND hidden = 0";
constexpr const char* kHideSet = "UPDATE level_sets SET hidden = 1 WHERE id = ?1";
constexpr const char* kBestOfSet =
    "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
    " WHERE level_set = ?2 AND proven = 1 AND coalesce(pace, 100) = 100"
    " ORDER BY score DESC, id ASC LIMIT ?1";
// Rows kept: the best ?1 of every board, so that no board loses its rows to another's better
// scores: the built-in set's games at any pace, its full-pace games of one sitting, and the
// full-pace games of each level set's board and of the built-in one.
constexpr const char* kTrim =
    "DELETE FROM scores WHERE id IN (SELECT id FROM scores"
    " WHERE id NOT IN (SELECT id FROM scores ORDER BY score DESC, id ASC LIMIT ?1)"
    " AND id NOT IN (SELECT id FROM scores WHERE level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT ?1)"
    " AND id NOT IN (SELECT id FROM scores WHERE proven = 1 AND sessions = 1"
    " AND coalesce(pace, 100) = 100 AND level_set IS NULL ORDER BY score DESC, id ASC LIMIT ?1)"
    " AND id NOT IN (SELECT id FROM (SELECT id, row_number() OVER (PARTITION BY level_set"
    " ORDER BY score DESC, id ASC) AS place FROM scores WHERE coalesce(pace, 100) = 100)"
    " WHERE place <= ?1)"
    " ORDER BY score DESC, id ASC LIMIT ?2)";

bool prepare(sqlite3* db, const char* sql, sqlite3_stmt** statement) {
    return sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, statement, nullptr) ==
           SQLITE_OK;
}

// A statement made for one call and finalized when the scope ends.
struct OneOff {
    sqlite3_stmt* statement = nullptr;
    OneOff(sqlite3* db, const char* sql) { sqlite3_prepare_v2(db, sql, -1, &statement, nullptr); }
    ~OneOff() { sqlite3_finalize(statement); }
    OneOff(const OneOff&) = delete;
    OneOff& operator=(const OneOff&) = delete;
};

// Resets a statement and its bindings when the scope ends, however it ends.
struct Finished {
    sqlite3_stmt* statement;
    ~Finished() {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};

void bindText(sqlite3_stmt* statement, int index, const std::string& text) {
    sqlite3_bind_text(statement, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
}

ScoreRecord recordAt(sqlite3_stmt* statement) {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    const int bytes = sqlite3_column_bytes(statement, 0);
    return {std::string(text != nullptr ? text : "", static_cast<size_t>(bytes)),
            static_cast<uint32_t>(sqlite3_column_int64(statement, 1))};
}

// A row of the list: the record with its proof.
ScoreRecord listedAt(sqlite3_stmt* statement) {
    ScoreRecord record = recordAt(statement);
    record.proven = sqlite3_column_int(statement, 2) != 0;
    const auto* id = reinterpret_cast<const char*>(sqlite3_column_text(statement, 3));
    if (record.proven && id != nullptr) record.replay = id;
    if (record.proven) record.sessions = static_cast<uint32_t>(sqlite3_column_int64(statement, 4));
    if (record.proven && sqlite3_column_type(statement, 5) != SQLITE_NULL)
        record.pace = static_cast<uint32_t>(sqlite3_column_int64(statement, 5));
    return record;
}

}  // namespace

SqliteScoreStore::SqliteScoreStore(const std::string& path) {
    if (!openConnection(writer, path, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE)) return;
    // A damaged file is left exactly as it is for its owner to rescue: checked before anything
    // (even the log mode) is written into it.
    if (!checkIntegrity()) return;
    // With the write-ahead log a commit is in the operating system's hands before the answer
    // goes out, so killing the process at any moment loses no answered score. NORMAL syncs the
    // disk at checkpoints rather than at every commit (a power cut may lose the last commits).
    if (!exec(writer.db, "PRAGMA journal_mode=WAL;") ||
        !exec(writer.db, "PRAGMA synchronous=NORMAL;") || !exec(writer.db, kLogSizeLimit) ||
        !prepareSchema() || !prepare(writer.db, kInsert, &insertStatement) ||
        !prepare(writer.db, kFind, &findStatement) || !prepare(writer.db, kTrim, &trimStatement) ||
        !prepare(writer.db, kUseKey, &useKeyStatement) ||
        !prepare(writer.db, kKeyOwner, &keyOwnerStatement)) {
        fail(sqlite3_errmsg(writer.db));
        return;
    }
    if (!openConnection(reader, path, SQLITE_OPEN_READWRITE) ||
        !prepare(reader.db, kBest, &bestStatement) ||
        !prepare(reader.db, kBestOneSitting, &bestOneSittingStatement) ||
        !prepare(reader.db, kBestAnyPace, &bestAnyPaceStatement) ||
        !prepare(reader.db, kReplay, &replayStatement)) {
        fail(sqlite3_errmsg(reader.db));
        return;
    }
    opened = true;
    // Replaces the automatic checkpoint inside commits: checkpoints run on their own thread.
    sqlite3_wal_hook(writer.db, &SqliteScoreStore::onCommit, this);
    checkpointer = std::thread([this, path] { checkpointLoop(path); });
}

SqliteScoreStore::~SqliteScoreStore() {
    {
        std::lock_guard lock(checkpointMutex);
        stopping = true;
    }
    checkpointWake.notify_all();
    if (checkpointer.joinable()) checkpointer.join();
    for (sqlite3_stmt* statement :
         {insertStatement, findStatement, trimStatement, bestStatement, bestOneSittingStatement,
          bestAnyPaceStatement, useKeyStatement, keyOwnerStatement, replayStatement})
        sqlite3_finalize(statement);
    sqlite3_close(reader.db);
    sqlite3_close(writer.db);  // the last connection checkpoints the log into the main file
}

bool SqliteScoreStore::ok() const {
    return opened;
}

std::string SqliteScoreStore::error() const {
    std::lock_guard lock(errorMutex);
    return lastError;
}

bool SqliteScoreStore::openConnection(Connection& connection, const std::string& path, int flags) {
    if (sqlite3_open_v2(path.c_str(), &connection.db, flags | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK) {
        fail(connection.db != nullptr ? sqlite3_errmsg(connection.db) : "out of memory");
        return false;
    }
    sqlite3_busy_handler(connection.db, &SqliteScoreStore::onBusy, &connection);
    return true;
}

// The whole file is read once; a file that is not a database at all fails here too.
bool SqliteScoreStore::checkIntegrity() {
    struct stat info {};
    if (::stat(sqlite3_db_filename(writer.db, "main"), &info) != 0 || info.st_size == 0)
        return true;  // new: nothing to check
    sqlite3_stmt* check = nullptr;
    std::string verdict;
    if (sqlite3_prepare_v2(writer.db, "PRAGMA quick_check(3)", -1, &check, nullptr) == SQLITE_OK) {
        while (sqlite3_step(check) == SQLITE_ROW) {
            const auto* line = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
            if (!verdict.empty()) verdict += "; ";
            verdict += line != nullptr ? line : "";
        }
    }
    const std::string failure = verdict.empty() ? sqlite3_errmsg(writer.db) : verdict;
    sqlite3_finalize(check);
    if (verdict == "ok") return true;
    fail("the file is damaged (" + failure +
         "); it was left untouched: restore it from a copy, or move it aside to start afresh");
    return false;
}

bool SqliteScoreStore::prepareSchema() {
    // A table made by an earlier server gains each column it lacks (`has` finds it, `add` adds).
    const auto column = [this](const char* has, const char* add) {
        sqlite3_stmt* query = nullptr;
        if (sqlite3_prepare_v2(writer.db, has, -1, &query, nullptr) != SQLITE_OK) return false;
        const int step = sqlite3_step(query);
        sqlite3_finalize(query);
        return step == SQLITE_ROW || (step == SQLITE_DONE && exec(writer.db, add));
    };
    // Of an older table: every row is unproven (made before proofs), its sittings are not known,
    // every game was played at full pace (before paces) and on the built-in set (before sets).
    return exec(writer.db, kSchema) && column(kHasUploadId, kAddUploadId) &&
           exec(writer.db, kUploadIndex) && column(kHasProven, kAddProven) &&
           exec(writer.db, kProofSchema) && exec(writer.db, kRecordSchema) &&
           column(kHasSessions, kAddSessions) && column(kHasPace, kAddPace) &&
           column(kHasLevelSet, kAddLevelSet) && exec(writer.db, kSetSchema);
}

// Another process holds the file: wait in short steps until the deadline of the call the
// connection is serving, then give up (SQLITE_BUSY).
int SqliteScoreStore::onBusy(void* connection, int) {
    const auto deadline =
        Clock::time_point(Clock::duration(static_cast<Connection*>(connection)->deadline.load()));
    const auto now = Clock::now();
    if (now >= deadline) return 0;
    std::this_thread::sleep_for(std::min<Clock::duration>(kBusyStep, deadline - now));
    return 1;
}

// Runs after every commit on the writing connection (with it held), with the number of frames
// now in the log.
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
// on, then the little that was added meanwhile with writes held back for a moment. With the
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
    sqlite3_busy_timeout(connection, kCheckpointBusyMs);
    std::unique_lock lock(checkpointMutex);
    while (!stopping) {
        checkpointWake.wait_for(lock, std::chrono::milliseconds(kCheckpointIntervalMs),
                                [this] { return stopping || checkpointWanted; });
        if (stopping) break;
        checkpointWanted = false;
        lock.unlock();
        sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr, nullptr);
        // Only when the writer is free at once: a writer waiting on another process is not
        // waited for.
        if (writer.mutex.try_lock_for(std::chrono::milliseconds(kCheckpointIntervalMs))) {
            sqlite3_wal_checkpoint_v2(connection, nullptr, SQLITE_CHECKPOINT_PASSIVE, nullptr,
                                      nullptr);
            writer.mutex.unlock();
        }
        lock.lock();
    }
    sqlite3_close(connection);
}

bool SqliteScoreStore::exec(sqlite3* connection, const char* sql) {
    return sqlite3_exec(connection, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

void SqliteScoreStore::setError(sqlite3* connection) {
    std::lock_guard lock(errorMutex);
    lastError = sqlite3_errmsg(connection);
}

void SqliteScoreStore::fail(const std::string& why) {
    {
        std::lock_guard lock(errorMutex);
        lastError = why;
    }
    for (sqlite3_stmt** statement :
         {&insertStatement, &findStatement, &trimStatement, &bestStatement,
          &bestOneSittingStatement, &bestAnyPaceStatement, &useKeyStatement, &keyOwnerStatement,
          &replayStatement}) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
    }
    sqlite3_close(reader.db);
    sqlite3_close(writer.db);
    reader.db = writer.db = nullptr;
}

RecordOutcome SqliteScoreStore::record(const std::string& name, uint32_t score,
                                       const std::string& uploadId, StoreCall& call) {
    return recordGame(name, score, uploadId, nullptr, call);
}

RecordOutcome SqliteScoreStore::recordProven(const std::string& name, uint32_t score,
                                             const std::string& uploadId, const ProvenGame& game,
                                             StoreCall& call) {
    return recordGame(name, score, uploadId, &game, call);
}

RecordOutcome SqliteScoreStore::recordGame(const std::string& name, uint32_t score,
                                           const std::string& uploadId, const ProvenGame* game,
                                           StoreCall& call) {
    if (!opened) return RecordOutcome::Failed;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return RecordOutcome::Late;
    writer.deadline = call.deadline.time_since_epoch().count();
    const RecordOutcome outcome = recordLocked(name, score, uploadId, game, call);
    if (sqlite3_get_autocommit(writer.db) == 0) exec(writer.db, "ROLLBACK;");
    return outcome;
}

// In one transaction: the row, or the row of an earlier upload with this id; the commit only
// when the client is still waiting for it.
RecordOutcome SqliteScoreStore::recordLocked(const std::string& name, uint32_t score,
                                             const std::string& uploadId, const ProvenGame* game,
                                             StoreCall& call) {
    const auto failed = [&] {
        const int code = sqlite3_errcode(writer.db);
        setError(writer.db);
        return code == SQLITE_BUSY && call.passed() ? RecordOutcome::Late : RecordOutcome::Failed;
    };
    if (!exec(writer.db, "BEGIN IMMEDIATE;")) return failed();
    if (game != nullptr) {  // a game taken before under another upload id is not taken again
        {
            Finished done{useKeyStatement};
            bindText(useKeyStatement, 1, game->key);
            bindText(useKeyStatement, 2, uploadId);
            if (sqlite3_step(useKeyStatement) != SQLITE_DONE) return failed();
        }
        if (sqlite3_changes(writer.db) == 0) {
            Finished done{keyOwnerStatement};
            bindText(keyOwnerStatement, 1, game->key);
            if (sqlite3_step(keyOwnerStatement) != SQLITE_ROW) return failed();
            const auto* owner =
                reinterpret_cast<const char*>(sqlite3_column_text(keyOwnerStatement, 0));
            if (uploadId.empty() || owner == nullptr || uploadId != owner)
                return RecordOutcome::Used;
        }
    }
    {
        Finished done{insertStatement};
        bindText(insertStatement, 1, name);
        sqlite3_bind_int64(insertStatement, 2, static_cast<sqlite3_int64>(score));
        if (!uploadId.empty()) bindText(insertStatement, 3, uploadId);
        sqlite3_bind_int(insertStatement, 4, game != nullptr ? 1 : 0);
        if (game != nullptr) {
            bindText(insertStatement, 5, game->id);
            sqlite3_bind_blob(insertStatement, 6, game->record.data(),
                              static_cast<int>(game->record.size()), SQLITE_TRANSIENT);
            sqlite3_bind_int64(insertStatement, 7, game->sessions);
            if (game->pace != 100) sqlite3_bind_int64(insertStatement, 8, game->pace);
            if (!game->levelSet.empty()) bindText(insertStatement, 9, game->levelSet);
        }
        if (sqlite3_step(insertStatement) != SQLITE_DONE) return failed();
    }
    const bool inserted = sqlite3_changes(writer.db) != 0;
    if (inserted && game != nullptr && game->record.empty()) return RecordOutcome::NoRecord;
    if (inserted && game != nullptr) {
        OneOff note(writer.db, kNoteProven);
        if (note.statement == nullptr) return failed();
        bindText(note.statement, 1, game->id);
        bindText(note.statement, 2, game->key);
        sqlite3_bind_int64(note.statement, 3, static_cast<sqlite3_int64>(score));
        if (sqlite3_step(note.statement) != SQLITE_DONE) return failed();
    }
    if (!inserted) {
        Finished done{findStatement};
        bindText(findStatement, 1, uploadId);
        if (sqlite3_step(findStatement) != SQLITE_ROW) return failed();
        // A retry is the same upload: the same name and score, proven or plain as before.
        const ScoreRecord earlier = recordAt(findStatement);
        const bool wasProven = sqlite3_column_int(findStatement, 2) != 0;
        return earlier == ScoreRecord{name, score} && wasProven == (game != nullptr)
                   ? RecordOutcome::Repeated
                   : RecordOutcome::Conflict;
    }
    if (!call.claimCommit()) return RecordOutcome::Late;
    if (!exec(writer.db, "COMMIT;")) return failed();
    return RecordOutcome::Recorded;
}

std::optional<std::vector<ScoreRecord>> SqliteScoreStore::read(int count, StoreCall& call) {
    return readRows(bestStatement, count, call);
}

std::optional<std::vector<ScoreRecord>> SqliteScoreStore::readOneSitting(int count,
                                                                         StoreCall& call) {
    return readRows(bestOneSittingStatement, count, call);
}

std::optional<std::vector<ScoreRecord>> SqliteScoreStore::readAnyPace(int count, StoreCall& call) {
    return readRows(bestAnyPaceStatement, count, call);
}

std::optional<std::vector<ScoreRecord>> SqliteScoreStore::readRows(sqlite3_stmt* statement,
                                                                   int count, StoreCall& call) {
    if (!opened) return std::nullopt;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return std::nullopt;
    reader.deadline = call.deadline.time_since_epoch().count();
    Finished done{statement};
    std::vector<ScoreRecord> records;
    sqlite3_bind_int(statement, 1, count);
    if (statement == bestStatement || statement == bestAnyPaceStatement)
        sqlite3_bind_int(statement, 2, listsUnproven() ? 1 : 0);
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(statement)) == SQLITE_ROW) records.push_back(listedAt(statement));
    if (step != SQLITE_DONE) {
        setError(reader.db);
        return std::nullopt;  // never part of a list
    }
    return records;
}

std::optional<std::string> SqliteScoreStore::replay(const std::string& id, StoreCall& call) {
    if (!opened) return std::nullopt;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return std::nullopt;
    reader.deadline = call.deadline.time_since_epoch().count();
    Finished done{replayStatement};
    bindText(replayStatement, 1, id);
    if (sqlite3_step(replayStatement) != SQLITE_ROW) return std::nullopt;
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(replayStatement, 0));
    return std::string(bytes != nullptr ? bytes : "",
                       static_cast<size_t>(sqlite3_column_bytes(replayStatement, 0)));
}

long SqliteScoreStore::trim(long keep, StoreCall& call) {
    if (!opened) return -1;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return -1;
    writer.deadline = call.deadline.time_since_epoch().count();
    Finished done{trimStatement};
    sqlite3_bind_int64(trimStatement, 1, keep);
    sqlite3_bind_int(trimStatement, 2, kTrimBatch);
    if (sqlite3_step(trimStatement) != SQLITE_DONE) {
        setError(writer.db);
        return -1;
    }
    return sqlite3_changes(writer.db);
}

bool SqliteScoreStore::probe(StoreCall& call) {
    if (!read(1, call)) return false;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return false;
    writer.deadline = call.deadline.time_since_epoch().count();
    const bool writable = exec(writer.db, "BEGIN IMMEDIATE;");
    if (writable) exec(writer.db, "ROLLBACK;");
    return writable;
}

KeepOutcome SqliteScoreStore::keepRecord(const HeldRecord& record, const RecordShare& share,
                                         int64_t now, StoreCall& call) {
    if (!opened) return KeepOutcome::Failed;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return KeepOutcome::Failed;
    writer.deadline = call.deadline.time_since_epoch().count();
    const KeepOutcome outcome = keepLocked(record, share, now, call);
    if (sqlite3_get_autocommit(writer.db) == 0) exec(writer.db, "ROLLBACK;");
    return outcome;
}

// The client's share is counted and the record held in one transaction; a record held already
// (by anyone) is held once, its time extended.
KeepOutcome SqliteScoreStore::keepLocked(const HeldRecord& record, const RecordShare& share,
                                         int64_t now, StoreCall& call) {
    const auto failed = [&] {
        setError(writer.db);
        return KeepOutcome::Failed;
    };
    if (!exec(writer.db, "BEGIN IMMEDIATE;")) return failed();
    bool held = false;
    {
        OneOff query(writer.db, kHeldAlready);
        if (query.statement == nullptr) return failed();
        bindText(query.statement, 1, record.id);
        sqlite3_bind_int64(query.statement, 2, now);
        const int step = sqlite3_step(query.statement);
        if (step != SQLITE_ROW && step != SQLITE_DONE) return failed();
        held = step == SQLITE_ROW;
    }
    if (!held) {
        OneOff query(writer.db, kClientShare);
        if (query.statement == nullptr) return failed();
        bindText(query.statement, 1, record.client);
        sqlite3_bind_int64(query.statement, 2, now);
        if (sqlite3_step(query.statement) != SQLITE_ROW) return failed();
        const auto count = static_cast<uint64_t>(sqlite3_column_int64(query.statement, 0));
        const auto bytes = static_cast<uint64_t>(sqlite3_column_int64(query.statement, 1));
        if (count + 1 > share.count || bytes + record.bytes.size() > share.bytes)
            return KeepOutcome::Full;
    }
    {
        OneOff hold(writer.db, kHold);
        if (hold.statement == nullptr) return failed();
        bindText(hold.statement, 1, record.id);
        sqlite3_bind_blob(hold.statement, 2, record.bytes.data(),
                          static_cast<int>(record.bytes.size()), SQLITE_TRANSIENT);
        bindText(hold.statement, 3, record.client);
        sqlite3_bind_int64(hold.statement, 4, record.expires);
        sqlite3_bind_int64(hold.statement, 5, now);
        if (sqlite3_step(hold.statement) != SQLITE_DONE) return failed();
    }
    if (!call.claimCommit() || !exec(writer.db, "COMMIT;")) return failed();
    return KeepOutcome::Kept;
}

ProofLookup SqliteScoreStore::lookUpRecord(const std::string& id, int64_t now, StoreCall& call) {
    ProofLookup found;
    if (!opened) return found;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return found;
    reader.deadline = call.deadline.time_since_epoch().count();
    {
        OneOff query(reader.db, kProvenRecord);
        if (query.statement == nullptr) return found;
        bindText(query.statement, 1, id);
        const int step = sqlite3_step(query.statement);
        if (step == SQLITE_ROW) {
            const auto* key =
                reinterpret_cast<const char*>(sqlite3_column_text(query.statement, 0));
            found.proven = ProofLookup::Proven{
                key != nullptr ? key : "",
                static_cast<uint32_t>(sqlite3_column_int64(query.statement, 1))};
        } else if (step != SQLITE_DONE) {
            return found;
        }
    }
    OneOff query(reader.db, kHeldRecord);
    if (query.statement == nullptr) return found;
    bindText(query.statement, 1, id);
    sqlite3_bind_int64(query.statement, 2, now);
    const int step = sqlite3_step(query.statement);
    if (step == SQLITE_ROW) {
        const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query.statement, 0));
        found.bytes = std::string(bytes != nullptr ? bytes : "",
                                  static_cast<size_t>(sqlite3_column_bytes(query.statement, 0)));
    } else if (step != SQLITE_DONE) {
        return found;
    }
    found.answered = true;
    return found;
}

bool SqliteScoreStore::dropRecords(const std::string& id, int64_t now, StoreCall& call) {
    if (!opened) return false;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return false;
    writer.deadline = call.deadline.time_since_epoch().count();
    OneOff drop(writer.db, id.empty() ? kDropExpired : kDropRecord);
    if (drop.statement == nullptr) return false;
    if (id.empty())
        sqlite3_bind_int64(drop.statement, 1, now);
    else
        bindText(drop.statement, 1, id);
    if (sqlite3_step(drop.statement) == SQLITE_DONE) return true;
    setError(writer.db);
    return false;
}

PublishOutcome SqliteScoreStore::publishSet(const std::string& id, const std::string& name,
                                            const std::string& file, int64_t now, unsigned maxSets,
                                            StoreCall& call) {
    if (!opened) return PublishOutcome::Failed;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return PublishOutcome::Failed;
    writer.deadline = call.deadline.time_since_epoch().count();
    const PublishOutcome outcome = [&] {
        const auto failed = [&] {
            setError(writer.db);
            return PublishOutcome::Failed;
        };
        if (!exec(writer.db, "BEGIN IMMEDIATE;")) return failed();
        {
            OneOff query(writer.db, kSetState);
            if (query.statement == nullptr) return failed();
            bindText(query.statement, 1, id);
            const int step = sqlite3_step(query.statement);
            if (step == SQLITE_ROW)
                return sqlite3_column_int(query.statement, 0) != 0 ? PublishOutcome::Hidden
                                                                   : PublishOutcome::Known;
            if (step != SQLITE_DONE) return failed();
        }
        {
            OneOff query(writer.db, kShownSets);
            if (query.statement == nullptr || sqlite3_step(query.statement) != SQLITE_ROW)
                return failed();
            if (sqlite3_column_int64(query.statement, 0) >= maxSets) return PublishOutcome::Full;
        }
        {
            OneOff insert(writer.db, kPublishSet);
            if (insert.statement == nullptr) return failed();
            bindText(insert.statement, 1, id);
            bindText(insert.statement, 2, name);
            sqlite3_bind_blob(insert.statement, 3, file.data(), static_cast<int>(file.size()),
                              SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert.statement, 4, now);
            if (sqlite3_step(insert.statement) != SQLITE_DONE) return failed();
        }
        if (!call.claimCommit() || !exec(writer.db, "COMMIT;")) return failed();
        return PublishOutcome::Published;
    }();
    if (sqlite3_get_autocommit(writer.db) == 0) exec(writer.db, "ROLLBACK;");
    return outcome;
}

std::optional<std::vector<LevelSetRow>> SqliteScoreStore::listSets(StoreCall& call) {
    if (!opened) return std::nullopt;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return std::nullopt;
    reader.deadline = call.deadline.time_since_epoch().count();
    OneOff query(reader.db, kListSets);
    if (query.statement == nullptr) return std::nullopt;
    std::vector<LevelSetRow> sets;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(query.statement)) == SQLITE_ROW) {
        LevelSetRow& set = sets.emplace_back();
        const auto* id = reinterpret_cast<const char*>(sqlite3_column_text(query.statement, 0));
        const auto* name = reinterpret_cast<const char*>(sqlite3_column_text(query.statement, 1));
        set.id = id != nullptr ? id : "";
        set.name = name != nullptr ? name : "";
        set.published = sqlite3_column_int64(query.statement, 2);
        set.provenGames = static_cast<uint32_t>(sqlite3_column_int64(query.statement, 3));
        set.best = static_cast<uint32_t>(sqlite3_column_int64(query.statement, 4));
    }
    if (step != SQLITE_DONE) {
        setError(reader.db);
        return std::nullopt;
    }
    return sets;
}

std::optional<std::string> SqliteScoreStore::setFile(const std::string& id, StoreCall& call) {
    return setColumn(kSetFile, id, call);
}

std::optional<std::string> SqliteScoreStore::setName(const std::string& id, StoreCall& call) {
    return setColumn(kSetName, id, call);
}

std::optional<std::string> SqliteScoreStore::setColumn(const char* sql, const std::string& id,
                                                       StoreCall& call) {
    if (!opened) return std::nullopt;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return std::nullopt;
    reader.deadline = call.deadline.time_since_epoch().count();
    OneOff query(reader.db, sql);
    if (query.statement == nullptr) return std::nullopt;
    bindText(query.statement, 1, id);
    const int step = sqlite3_step(query.statement);
    if (step == SQLITE_DONE) return std::string();
    if (step != SQLITE_ROW) return std::nullopt;
    const auto* bytes = static_cast<const char*>(sqlite3_column_blob(query.statement, 0));
    return std::string(bytes != nullptr ? bytes : "",
                       static_cast<size_t>(sqlite3_column_bytes(query.statement, 0)));
}

bool SqliteScoreStore::hideSet(const std::string& id, bool& found, StoreCall& call) {
    found = false;
    if (!opened) return false;
    std::unique_lock lock(writer.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return false;
    writer.deadline = call.deadline.time_since_epoch().count();
    OneOff hide(writer.db, kHideSet);
    if (hide.statement == nullptr) return false;
    bindText(hide.statement, 1, id);
    if (sqlite3_step(hide.statement) != SQLITE_DONE) {
        setError(writer.db);
        return false;
    }
    found = sqlite3_changes(writer.db) != 0;
    return true;
}

std::optional<std::vector<ScoreRecord>> SqliteScoreStore::readSet(const std::string& id, int count,
                                                                  StoreCall& call) {
    if (!opened) return std::nullopt;
    std::unique_lock lock(reader.mutex, std::defer_lock);
    if (!lock.try_lock_until(call.deadline)) return std::nullopt;
    reader.deadline = call.deadline.time_since_epoch().count();
    OneOff query(reader.db, kBestOfSet);
    if (query.statement == nullptr) return std::nullopt;
    sqlite3_bind_int(query.statement, 1, count);
    bindText(query.statement, 2, id);
    std::vector<ScoreRecord> records;
    int step = SQLITE_ROW;
    while ((step = sqlite3_step(query.statement)) == SQLITE_ROW)
        records.push_back(listedAt(query.statement));
    if (step != SQLITE_DONE) {
        setError(reader.db);
        return std::nullopt;
    }
    return records;
}
