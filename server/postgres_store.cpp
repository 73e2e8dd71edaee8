// PostgresScoreStore: prepared statements on pooled libpq connections, every wait bounded by
// the call's deadline (libpq's non-blocking calls and poll).
#include "server/postgres_store.h"

#include <libpq-fe.h>
#include <poll.h>

#include <cstdlib>
#include <memory>

namespace {

using Clock = StoreCall::Clock;

constexpr auto kConnectTimeout = std::chrono::seconds(5);
// The server ends a statement itself after this: a session dropped at its deadline while
// waiting for a lock would otherwise hold its server process until the lock is free, and enough
// of those would use up the server's connections.
constexpr const char* kSessionOptions = "-c statement_timeout=5000";  // ms
// How long a commit already sent is waited for: its answer decides the client's.
constexpr auto kCommitWait = std::chrono::seconds(30);
constexpr auto kListenRetry = std::chrono::milliseconds(500);
constexpr int kListenPollMs = 200;
constexpr int kAttempts = 2;
constexpr int kTrimBatch = 5000;
constexpr const char* kChannel = "scores_changed";
// Serializes the table's creation between processes starting together.
constexpr const char* kSchema =
    "BEGIN;"
    "SET LOCAL client_min_messages = warning;"
    "SELECT pg_advisory_xact_lock(7243150981);"
    "CREATE TABLE IF NOT EXISTS scores ("
    " id BIGSERIAL PRIMARY KEY,"
    " name TEXT NOT NULL,"
    " score BIGINT NOT NULL CHECK (score BETWEEN 0 AND 4294967295),"
    " upload_id TEXT);"
    "CREATE INDEX IF NOT EXISTS scores_by_rank ON scores (score DESC, id ASC);"
    "CREATE UNIQUE INDEX IF NOT EXISTS scores_by_upload ON scores (upload_id);"
    // Proofs: the flag (rows made before it are unproven), a proven row's record, and the
    // keys of every game accepted, apart from the rows so that trimming never forgets them.
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS proven BOOLEAN NOT NULL DEFAULT false;"
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS proof_id TEXT;"
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS record BYTEA;"
    "CREATE INDEX IF NOT EXISTS scores_by_proof ON scores (proof_id);"
    "CREATE TABLE IF NOT EXISTS used_proofs (key TEXT PRIMARY KEY, upload_id TEXT NOT NULL);"
    // Records waiting for their uploads, for whichever server an upload reaches, and the ids
    // of records proven, so that none is played twice.
    "CREATE TABLE IF NOT EXISTS held_records (id TEXT PRIMARY KEY, record BYTEA NOT NULL,"
    " client TEXT NOT NULL, expires BIGINT NOT NULL);"
    "CREATE INDEX IF NOT EXISTS held_records_by_client ON held_records (client, expires);"
    "CREATE INDEX IF NOT EXISTS held_records_by_expiry ON held_records (expires);"
    "CREATE TABLE IF NOT EXISTS proven_records (id TEXT PRIMARY KEY, key TEXT NOT NULL,"
    " score BIGINT NOT NULL);"
    // The sittings of a proven row's record; NULL for plain rows and rows stored before it.
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS sessions INTEGER;"
    // The pace (percent) a proven row's game was played at; NULL (full pace) for plain rows and
    // rows stored before paces. The default boards list full-pace games only.
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS pace INTEGER;"
    // Level sets: the sets published, and on each proven row the set it was played on (NULL:
    // the built-in set, as every row stored before sets is).
    "ALTER TABLE scores ADD COLUMN IF NOT EXISTS level_set TEXT;"
    "CREATE TABLE IF NOT EXISTS level_sets (id TEXT PRIMARY KEY, name TEXT NOT NULL,"
    " file BYTEA NOT NULL, published BIGINT NOT NULL, hidden BOOLEAN NOT NULL DEFAULT false);"
    "CREATE INDEX IF NOT EXISTS scores_by_set ON scores (level_set, score DESC, id ASC)"
    " WHERE level_set IS NOT NULL;"
    "COMMIT;";
struct Statement {
    const char* name;
    const char* sql;
    int parameters;
};
constexpr Statement kInsert{"insert",
                            "INSERT INTO scores"
                            " (name, score, upload_id, proven, proof_id, record, sessions, pace,"
                            " level_set)"
                            " VALUES ($1, $2, $3, $4, $5, decode($6, 'hex'), $7, $8, $9)"
                            " ON CONFLICT (upload_id) DO NOTHING RETURNING id",
                            9};
constexpr Statement kUseKey{"use_key",
                            "INSERT INTO used_proofs (key, upload_id) VALUES ($1, $2)"
                            " ON CONFLICT (key) DO NOTHING RETURNING key",
                            2};
constexpr Statement kKeyOwner{"key_owner", "SELECT upload_id FROM used_proofs WHERE key = $1", 1};
constexpr Statement kReplay{"replay",
                            "SELECT encode(record, 'hex') FROM scores"
                            " WHERE proof_id = $1 AND proven LIMIT 1",
                            1};
constexpr Statement kFind{"find", "SELECT name, score, proven FROM scores WHERE upload_id = $1", 1};
constexpr Statement kBest{
    "best",
    "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
    " WHERE (proven OR $2) AND coalesce(pace, 100) = 100 AND level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT $1",
    2};
constexpr Statement kBestOneSitting{"best_one_sitting",
                                    "SELECT name, score, proven, proof_id, sessions, pace"
                                    " FROM scores WHERE proven AND sessions = 1"
                                    " AND coalesce(pace, 100) = 100 AND level_set IS NULL"
                                    " ORDER BY score DESC, id ASC LIMIT $1",
                                    1};
constexpr Statement kBestAnyPace{"best_any_pace",
                                 "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
                                 " WHERE (proven OR $2) AND level_set IS NULL"
                                 " ORDER BY score DESC, id ASC LIMIT $1",
                                 2};
// Publishing is one at a time across servers (the advisory lock, until the commit), so that
// the bound on the sets holds.
constexpr Statement kLockSets{"lock_sets", "SELECT pg_advisory_xact_lock(7243150982)", 0};
constexpr Statement kSetState{"set_state", "SELECT hidden FROM level_sets WHERE id = $1", 1};
constexpr Statement kShownSets{"shown_sets", "SELECT count(*) FROM level_sets WHERE NOT hidden", 0};
constexpr Statement kPublishSet{"publish_set",
                                "INSERT INTO level_sets (id, name, file, published)"
                                " VALUES ($1, $2, decode($3, 'hex'), $4)",
                                4};
constexpr Statement kListSets{
    "list_sets",
    "SELECT s.id, s.name, s.published, count(g.id), coalesce(max(g.score), 0)"
    " FROM level_sets s LEFT JOIN scores g ON g.level_set = s.id AND g.proven"
    " WHERE NOT s.hidden GROUP BY s.id ORDER BY s.published DESC, s.id ASC",
    0};
constexpr Statement kSetFile{"set_file",
                             "SELECT encode(file, 'hex') FROM level_sets"
                             " WHERE id = $1 AND NOT hidden",
                             1};
constexpr Statement kSetName{"set_name", "SELECT name FROM level_sets WHERE id = $1 AND NOT hidden",
                             1};
constexpr Statement kHideSet{"hide_set", "UPDATE level_sets SET hidden = true WHERE id = $1", 1};
constexpr Statement kBestOfSet{"best_of_set",
                               "SELECT name, score, proven, proof_id, sessions, pace FROM scores"
                               " WHERE level_set = $2 AND proven AND coalesce(pace, 100) = 100"
                               " ORDER BY score DESC, id ASC LIMIT $1",
                               2};
// Rows kept: the best $1 of every board, so that no board loses its rows to another's better
// scores: the built-in set's games at any pace, its full-pace games of one sitting, and the
// full-pace games of each level set's board and of the built-in one.
constexpr Statement kTrim{
    "trim",
    "DELETE FROM scores WHERE id IN (SELECT id FROM scores"
    " WHERE id NOT IN (SELECT id FROM scores"
    " ORDER BY score DESC, id ASC LIMIT $1)"
    " AND id NOT IN (SELECT id FROM scores WHERE level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT $1)"
    " AND id NOT IN (SELECT id FROM scores WHERE proven AND sessions = 1"
    " AND coalesce(pace, 100) = 100 AND level_set IS NULL"
    " ORDER BY score DESC, id ASC LIMIT $1)"
    " AND id NOT IN (SELECT id FROM (SELECT id, row_number() OVER"
    " (PARTITION BY level_set ORDER BY score DESC, id ASC) AS place"
    " FROM scores WHERE coalesce(pace, 100) = 100) AS ranked WHERE place <= $1)"
    " ORDER BY score DESC, id ASC LIMIT $2)",
    2};
constexpr Statement kNoteProven{"note_proven",
                                "INSERT INTO proven_records (id, key, score) VALUES ($1, $2, $3)"
                                " ON CONFLICT (id) DO NOTHING",
                                3};
// A client's share is counted and the record held in one statement; one held already (by
// anyone) is held once, its time extended. Each client's holds are taken one at a time across
// servers (the advisory lock, until the commit), so that its share holds.
constexpr Statement kLockClient{"lock_client",
                                "SELECT pg_advisory_xact_lock(72431509, hashtext($1))", 1};
constexpr Statement kHold{
    "hold",
    "WITH held AS (SELECT 1 FROM held_records WHERE id = $1 AND expires > $5),"
    " share AS (SELECT count(*) AS n, coalesce(sum(octet_length(record)), 0) AS b"
    " FROM held_records WHERE client = $3 AND expires > $5)"
    " INSERT INTO held_records (id, record, client, expires)"
    " SELECT $1, decode($2, 'hex'), $3, $4 FROM share"
    " WHERE EXISTS (SELECT 1 FROM held)"
    " OR (share.n + 1 <= $6 AND share.b + octet_length(decode($2, 'hex')) <= $7)"
    " ON CONFLICT (id) DO UPDATE SET expires = greatest(held_records.expires, excluded.expires)"
    " RETURNING 1",
    7};
constexpr Statement kLookUp{
    "look_up",
    "SELECT (SELECT encode(record, 'hex') FROM held_records WHERE id = $1 AND expires > $2),"
    " (SELECT key FROM proven_records WHERE id = $1),"
    " (SELECT score FROM proven_records WHERE id = $1)",
    2};
constexpr Statement kDropRecord{"drop_record", "DELETE FROM held_records WHERE id = $1", 1};
constexpr Statement kDropExpired{"drop_expired", "DELETE FROM held_records WHERE expires <= $1", 1};
constexpr Statement kStatements[] = {kInsert, kFind, kBest, kBestOneSitting, kBestAnyPace, kTrim,
                                     kUseKey, kKeyOwner, kReplay, kNoteProven, kLockClient, kHold,
                                     kLookUp, kDropRecord, kDropExpired,
                                     // level sets
                                     kLockSets, kSetState, kShownSets, kPublishSet, kListSets,
                                     kSetFile, kSetName, kHideSet, kBestOfSet};

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

enum class Wait { Done, Late, Broken };

// Until the socket is ready for `events` or the deadline passes.
bool waitSocket(PGconn* connection, short events, Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    pollfd ready{PQsocket(connection), events, 0};
    return ::poll(&ready, 1, static_cast<int>(left.count())) > 0;
}

// The results of what was sent, until the deadline: the first that failed, else the last.
Wait collect(PGconn* connection, Clock::time_point deadline, Result& outcome) {
    outcome.reset();
    for (;;) {
        const int flushed = PQflush(connection);
        if (flushed < 0) return Wait::Broken;
        if (flushed == 0) {
            while (PQisBusy(connection) == 0) {
                PGresult* result = PQgetResult(connection);
                if (result == nullptr) return outcome ? Wait::Done : Wait::Broken;
                const ExecStatusType status = PQresultStatus(result);
                const bool failed = status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK;
                const bool keptFailed = outcome &&
                                        PQresultStatus(outcome.get()) != PGRES_COMMAND_OK &&
                                        PQresultStatus(outcome.get()) != PGRES_TUPLES_OK;
                if (failed || !keptFailed)
                    outcome.reset(result);
                else
                    PQclear(result);
            }
        }
        if (!waitSocket(connection, flushed == 1 ? POLLIN | POLLOUT : POLLIN, deadline))
            return Wait::Late;
        if (PQconsumeInput(connection) == 0) return Wait::Broken;
    }
}

bool succeeded(const Result& result) {
    return result && (PQresultStatus(result.get()) == PGRES_COMMAND_OK ||
                      PQresultStatus(result.get()) == PGRES_TUPLES_OK);
}

// Runs a statement (prepared when `prepared`, else plain SQL of one or more statements).
Wait run(PGconn* connection, const Statement* prepared, const char* sql,
         const std::vector<const char*>& values, Clock::time_point deadline, Result& outcome) {
    const int sent = prepared != nullptr ? PQsendQueryPrepared(connection, prepared->name,
                                                               static_cast<int>(values.size()),
                                                               values.data(), nullptr, nullptr, 0)
                                         : PQsendQuery(connection, sql);
    if (sent == 0) return Wait::Broken;
    return collect(connection, deadline, outcome);
}

std::string hexOf(const std::string& bytes) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        hex += kDigits[static_cast<unsigned char>(c) >> 4];
        hex += kDigits[static_cast<unsigned char>(c) & 0xF];
    }
    return hex;
}

std::string bytesOfHex(const char* hex) {
    auto digit = [](char c) { return c <= '9' ? c - '0' : c - 'a' + 10; };
    std::string bytes;
    for (; hex[0] != '\0' && hex[1] != '\0'; hex += 2)
        bytes += static_cast<char>(digit(hex[0]) * 16 + digit(hex[1]));
    return bytes;
}

}  // namespace

PostgresScoreStore::PostgresScoreStore(const std::string& address, int maximum)
    : url(address), maxConnections(maximum < 1 ? 1 : maximum) {
    PGconn* first = connect(true, Clock::now() + kConnectTimeout);
    if (first == nullptr) return;
    std::lock_guard lock(mutex);
    idle.push_back(first);
    connections = 1;
    opened = true;
}

PostgresScoreStore::~PostgresScoreStore() {
    stopping = true;
    if (listener.joinable()) listener.join();
    for (PGconn* connection : idle) PQfinish(connection);
}

bool PostgresScoreStore::ok() const {
    std::lock_guard lock(mutex);
    return opened;
}

std::string PostgresScoreStore::error() const {
    std::lock_guard lock(mutex);
    return lastError;
}

void PostgresScoreStore::setError(const std::string& message) {
    std::lock_guard lock(mutex);
    lastError = message;
}

// A new connection with the statements prepared (and the table and its indexes created when
// missing, on the store's first connection), or null when that failed or took past `deadline`.
PGconn* PostgresScoreStore::connect(bool createSchema, Clock::time_point deadline) {
    // The address comes last so that what it says wins, except the encoding: names are UTF-8.
    const char* keys[] = {"options", "fallback_application_name", "dbname", "client_encoding",
                          nullptr};
    const char* values[] = {kSessionOptions, "scoreserver", url.c_str(), "UTF8", nullptr};
    PGconn* connection = PQconnectStartParams(keys, values, 1);
    if (connection == nullptr) {
        setError("out of memory");
        return nullptr;
    }
    PostgresPollingStatusType polling = PGRES_POLLING_WRITING;
    while (PQstatus(connection) != CONNECTION_BAD && polling != PGRES_POLLING_OK &&
           polling != PGRES_POLLING_FAILED) {
        if (!waitSocket(connection, polling == PGRES_POLLING_READING ? POLLIN : POLLOUT,
                        deadline)) {
            setError("the database did not answer in time");
            PQfinish(connection);
            return nullptr;
        }
        polling = PQconnectPoll(connection);
    }
    bool ready = polling == PGRES_POLLING_OK && PQsetnonblocking(connection, 1) == 0;
    Result result;
    if (ready && createSchema)
        ready = run(connection, nullptr, kSchema, {}, deadline, result) == Wait::Done &&
                succeeded(result);
    for (const Statement& statement : kStatements) {
        if (!ready) break;
        ready = PQsendPrepare(connection, statement.name, statement.sql, statement.parameters,
                              nullptr) != 0 &&
                collect(connection, deadline, result) == Wait::Done && succeeded(result);
    }
    if (ready) return connection;
    setError(PQerrorMessage(connection));
    PQfinish(connection);
    return nullptr;
}

// An idle connection, a new one while fewer than the maximum exist, or else the next one
// returned; null when none came before the deadline or a new one failed.
PGconn* PostgresScoreStore::acquire(StoreCall& call) {
    {
        std::unique_lock lock(mutex);
        const bool available = returned.wait_until(
            lock, call.deadline, [this] { return !idle.empty() || connections < maxConnections; });
        if (!available) {
            lastError = "all database connections are busy";
            return nullptr;
        }
        if (!idle.empty()) {
            PGconn* connection = idle.back();
            idle.pop_back();
            return connection;
        }
        ++connections;  // reserved while connecting without the lock
    }
    PGconn* connection = connect(false, call.deadline);
    if (connection == nullptr) {
        std::lock_guard lock(mutex);
        --connections;
        returned.notify_one();
    }
    return connection;
}

// Back to the pool, or closed: one that missed a deadline or broke is dropped, which ends on
// the server whatever it had begun (a new connection replaces it on demand).
void PostgresScoreStore::release(PGconn* connection, bool reusable) {
    std::lock_guard lock(mutex);
    if (reusable && PQstatus(connection) == CONNECTION_OK &&
        PQtransactionStatus(connection) == PQTRANS_IDLE) {
        idle.push_back(connection);
    } else {
        PQfinish(connection);
        --connections;
    }
    returned.notify_one();
}

// BEGIN, the row, then COMMIT only while the client still waits; a change that may reach the
// list is announced to every server in the same commit. A connection the server dropped (a
// restart, an idle timeout) fails its first statement; the call is then tried once more on a
// fresh one.
RecordOutcome PostgresScoreStore::record(const std::string& name, uint32_t score,
                                         const std::string& uploadId, StoreCall& call) {
    return recordGame(name, score, uploadId, nullptr, call);
}

RecordOutcome PostgresScoreStore::recordProven(const std::string& name, uint32_t score,
                                               const std::string& uploadId, const ProvenGame& game,
                                               StoreCall& call) {
    return recordGame(name, score, uploadId, &game, call);
}

// The row; for a proven game first its key, which a concurrent upload of the same game on
// another server waits on until this one commits or rolls back.
RecordOutcome PostgresScoreStore::recordGame(const std::string& name, uint32_t score,
                                             const std::string& uploadId, const ProvenGame* game,
                                             StoreCall& call) {
    const std::string scoreText = std::to_string(score);
    const std::string recordHex = game != nullptr ? hexOf(game->record) : std::string();
    const std::string sessionsText = game != nullptr ? std::to_string(game->sessions) : "";
    const std::string paceText = game != nullptr ? std::to_string(game->pace) : "";
    const char* levelSet =
        game != nullptr && !game->levelSet.empty() ? game->levelSet.c_str() : nullptr;
    const std::vector<const char*> values = {
        name.c_str(),
        scoreText.c_str(),
        uploadId.empty() ? nullptr : uploadId.c_str(),
        game != nullptr ? "true" : "false",
        game != nullptr ? game->id.c_str() : nullptr,
        game != nullptr ? recordHex.c_str() : nullptr,
        game != nullptr ? sessionsText.c_str() : nullptr,
        game != nullptr && game->pace != 100 ? paceText.c_str() : nullptr,
        levelSet};
    const std::string commit = "NOTIFY " + std::string(kChannel) + ", '" + scoreText + "'; COMMIT";
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        PGconn* connection = acquire(call);
        if (connection == nullptr)
            return call.passed() ? RecordOutcome::Late : RecordOutcome::Failed;
        Result result;
        Wait wait = run(connection, nullptr, "BEGIN", {}, call.deadline, result);
        bool used = false;
        if (game != nullptr && wait == Wait::Done && succeeded(result)) {
            wait = run(connection, &kUseKey, nullptr, {game->key.c_str(), uploadId.c_str()},
                       call.deadline, result);
            if (wait == Wait::Done && succeeded(result) && PQntuples(result.get()) == 0) {
                wait = run(connection, &kKeyOwner, nullptr, {game->key.c_str()}, call.deadline,
                           result);
                used = wait == Wait::Done && succeeded(result) &&
                       (PQntuples(result.get()) != 1 || uploadId.empty() ||
                        uploadId != PQgetvalue(result.get(), 0, 0));
            }
        }
        if (used) {
            release(connection, false);
            return RecordOutcome::Used;
        }
        if (wait == Wait::Done && succeeded(result))
            wait = run(connection, &kInsert, nullptr, values, call.deadline, result);
        if (wait != Wait::Done || !succeeded(result)) {
            const bool broken = wait == Wait::Broken || PQstatus(connection) != CONNECTION_OK;
            setError(wait == Wait::Late ? "the database did not answer in time"
                                        : PQerrorMessage(connection));
            release(connection, false);
            if (wait == Wait::Late) return RecordOutcome::Late;
            if (!broken || attempt + 1 == kAttempts) return RecordOutcome::Failed;
            continue;
        }
        RecordOutcome outcome = RecordOutcome::Recorded;
        if (game != nullptr && PQntuples(result.get()) != 0 && game->record.empty()) {
            release(connection, false);
            return RecordOutcome::NoRecord;
        }
        if (game != nullptr && PQntuples(result.get()) != 0) {
            wait = run(connection, &kNoteProven, nullptr,
                       {game->id.c_str(), game->key.c_str(), scoreText.c_str()}, call.deadline,
                       result);
            if (wait != Wait::Done || !succeeded(result)) {
                setError(PQerrorMessage(connection));
                release(connection, false);
                return wait == Wait::Late ? RecordOutcome::Late : RecordOutcome::Failed;
            }
            result.reset();
        }
        if (result && PQntuples(result.get()) == 0) {  // this id is taken
            // A retry is the same upload: the same name and score, proven or plain as before.
            wait = run(connection, &kFind, nullptr, {values[2]}, call.deadline, result);
            outcome = wait != Wait::Done || !succeeded(result) || PQntuples(result.get()) != 1
                          ? (wait == Wait::Late ? RecordOutcome::Late : RecordOutcome::Failed)
                      : PQgetvalue(result.get(), 0, 0) == name &&
                              PQgetvalue(result.get(), 0, 1) == scoreText &&
                              (PQgetvalue(result.get(), 0, 2)[0] == 't') == (game != nullptr)
                          ? RecordOutcome::Repeated
                          : RecordOutcome::Conflict;
        } else if (!call.claimCommit()) {
            outcome = RecordOutcome::Late;
        } else {
            wait = run(connection, nullptr, commit.c_str(), {}, Clock::now() + kCommitWait, result);
            if (wait != Wait::Done || !succeeded(result)) {
                setError(PQerrorMessage(connection));
                outcome = RecordOutcome::Failed;
            }
        }
        // Anything not committed is rolled back by dropping the connection.
        release(connection, outcome == RecordOutcome::Recorded);
        return outcome;
    }
    return RecordOutcome::Failed;
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::read(int count, StoreCall& call) {
    return readRows(Board::FullPace, count, call);
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::readOneSitting(int count,
                                                                           StoreCall& call) {
    return readRows(Board::OneSitting, count, call);
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::readAnyPace(int count,
                                                                        StoreCall& call) {
    return readRows(Board::AnyPace, count, call);
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::readRows(Board board, int count,
                                                                     StoreCall& call) {
    const Statement& statement = board == Board::FullPace     ? kBest
                                 : board == Board::OneSitting ? kBestOneSitting
                                                              : kBestAnyPace;
    const std::string countText = std::to_string(count);
    const char* all = listsUnproven() ? "true" : "false";
    std::vector<const char*> values{countText.c_str()};
    if (statement.parameters == 2) values.push_back(all);
    return readStatement(&statement, values, call);
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::readSet(const std::string& id,
                                                                    int count, StoreCall& call) {
    const std::string countText = std::to_string(count);
    return readStatement(&kBestOfSet, {countText.c_str(), id.c_str()}, call);
}

std::optional<std::vector<ScoreRecord>> PostgresScoreStore::readStatement(
    const void* listing, const std::vector<const char*>& values, StoreCall& call) {
    const Statement& statement = *static_cast<const Statement*>(listing);
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        PGconn* connection = acquire(call);
        if (connection == nullptr) return std::nullopt;
        Result result;
        const Wait wait = run(connection, &statement, nullptr, values, call.deadline, result);
        if (wait == Wait::Done && succeeded(result)) {
            std::vector<ScoreRecord> records;
            const int rows = PQntuples(result.get());
            records.reserve(static_cast<size_t>(rows));
            for (int row = 0; row < rows; ++row) {
                ScoreRecord& record = records.emplace_back();
                record.name.assign(PQgetvalue(result.get(), row, 0),
                                   static_cast<size_t>(PQgetlength(result.get(), row, 0)));
                record.score = static_cast<uint32_t>(
                    std::strtoul(PQgetvalue(result.get(), row, 1), nullptr, 10));
                record.proven = PQgetvalue(result.get(), row, 2)[0] == 't';
                if (record.proven) record.replay = PQgetvalue(result.get(), row, 3);
                if (record.proven)
                    record.sessions = static_cast<uint32_t>(
                        std::strtoul(PQgetvalue(result.get(), row, 4), nullptr, 10));
                if (record.proven && !PQgetisnull(result.get(), row, 5))
                    record.pace = static_cast<uint32_t>(
                        std::strtoul(PQgetvalue(result.get(), row, 5), nullptr, 10));
            }
            release(connection, true);
            return records;
        }
        const bool broken = wait == Wait::Broken || PQstatus(connection) != CONNECTION_OK;
        setError(wait == Wait::Late ? "the database did not answer in time"
                                    : PQerrorMessage(connection));
        release(connection, false);
        if (wait == Wait::Late || !broken) break;
    }
    return std::nullopt;
}

std::optional<std::string> PostgresScoreStore::replay(const std::string& id, StoreCall& call) {
    PGconn* connection = acquire(call);
    if (connection == nullptr) return std::nullopt;
    Result result;
    const Wait wait = run(connection, &kReplay, nullptr, {id.c_str()}, call.deadline, result);
    const bool done = wait == Wait::Done && succeeded(result);
    std::optional<std::string> record;
    if (done && PQntuples(result.get()) == 1) record = bytesOfHex(PQgetvalue(result.get(), 0, 0));
    release(connection, done);
    return record;
}

long PostgresScoreStore::trim(long keep, StoreCall& call) {
    PGconn* connection = acquire(call);
    if (connection == nullptr) return -1;
    const std::string keepText = std::to_string(keep), batchText = std::to_string(kTrimBatch);
    Result result;
    const Wait wait = run(connection, &kTrim, nullptr, {keepText.c_str(), batchText.c_str()},
                          call.deadline, result);
    const bool done = wait == Wait::Done && succeeded(result);
    if (!done) setError(PQerrorMessage(connection));
    const long deleted = done ? std::atol(PQcmdTuples(result.get())) : -1;
    release(connection, done);
    return deleted;
}

void PostgresScoreStore::watchOthers(std::function<void()> onChange) {
    if (listener.joinable()) {
        stopping = true;
        listener.join();
        stopping = false;
    }
    changed = std::move(onChange);
    if (changed) listener = std::thread([this] { listenLoop(); });
}

// One connection that LISTENs; whenever it is not listening, nothing can be known, so every
// step without it counts as a change.
void PostgresScoreStore::listenLoop() {
    while (!stopping) {
        PGconn* connection = connect(false, Clock::now() + kConnectTimeout);
        Result result;
        if (connection != nullptr &&
            run(connection, nullptr, ("LISTEN " + std::string(kChannel)).c_str(), {},
                Clock::now() + kConnectTimeout, result) == Wait::Done &&
            succeeded(result)) {
            changed();  // whatever happened while nobody listened
            while (!stopping && PQstatus(connection) == CONNECTION_OK) {
                pollfd ready{PQsocket(connection), POLLIN, 0};
                if (::poll(&ready, 1, kListenPollMs) > 0 && PQconsumeInput(connection) == 0) break;
                bool any = false;
                while (PGnotify* notice = PQnotifies(connection)) {
                    any = true;
                    PQfreemem(notice);
                }
                if (any) changed();
            }
        }
        if (connection != nullptr) PQfinish(connection);
        if (stopping) break;
        changed();
        std::this_thread::sleep_for(kListenRetry);
    }
}

KeepOutcome PostgresScoreStore::keepRecord(const HeldRecord& record, const RecordShare& share,
                                           int64_t now, StoreCall& call) {
    const std::string hex = hexOf(record.bytes), expires = std::to_string(record.expires),
                      nowText = std::to_string(now), count = std::to_string(share.count),
                      bytes = std::to_string(share.bytes);
    PGconn* connection = acquire(call);
    if (connection == nullptr) return KeepOutcome::Failed;
    Result result;
    Wait wait = run(connection, nullptr, "BEGIN", {}, call.deadline, result);
    if (wait == Wait::Done && succeeded(result))
        wait =
            run(connection, &kLockClient, nullptr, {record.client.c_str()}, call.deadline, result);
    if (wait == Wait::Done && succeeded(result))
        wait = run(connection, &kHold, nullptr,
                   {record.id.c_str(), hex.c_str(), record.client.c_str(), expires.c_str(),
                    nowText.c_str(), count.c_str(), bytes.c_str()},
                   call.deadline, result);
    if (wait != Wait::Done || !succeeded(result)) {
        setError(wait == Wait::Late ? "the database did not answer in time"
                                    : PQerrorMessage(connection));
        release(connection, false);
        return KeepOutcome::Failed;
    }
    if (PQntuples(result.get()) == 0) {  // a flood is refused without a new connection each
        const bool undone =
            run(connection, nullptr, "ROLLBACK", {}, call.deadline, result) == Wait::Done &&
            succeeded(result);
        release(connection, undone);
        return KeepOutcome::Full;
    }
    if (!call.claimCommit()) {
        release(connection, false);
        return KeepOutcome::Failed;
    }
    wait = run(connection, nullptr, "COMMIT", {}, Clock::now() + kCommitWait, result);
    const bool committed = wait == Wait::Done && succeeded(result);
    if (!committed) setError(PQerrorMessage(connection));
    release(connection, committed);
    return committed ? KeepOutcome::Kept : KeepOutcome::Failed;
}

ProofLookup PostgresScoreStore::lookUpRecord(const std::string& id, int64_t now, StoreCall& call) {
    ProofLookup found;
    const std::string nowText = std::to_string(now);
    PGconn* connection = acquire(call);
    if (connection == nullptr) return found;
    Result result;
    const Wait wait =
        run(connection, &kLookUp, nullptr, {id.c_str(), nowText.c_str()}, call.deadline, result);
    const bool done = wait == Wait::Done && succeeded(result) && PQntuples(result.get()) == 1;
    if (done) {
        found.answered = true;
        if (PQgetisnull(result.get(), 0, 0) == 0)
            found.bytes = bytesOfHex(PQgetvalue(result.get(), 0, 0));
        if (PQgetisnull(result.get(), 0, 1) == 0)
            found.proven = ProofLookup::Proven{
                PQgetvalue(result.get(), 0, 1),
                static_cast<uint32_t>(std::strtoul(PQgetvalue(result.get(), 0, 2), nullptr, 10))};
    } else {
        setError(PQerrorMessage(connection));
    }
    release(connection, done);
    return found;
}

bool PostgresScoreStore::dropRecords(const std::string& id, int64_t now, StoreCall& call) {
    const std::string nowText = std::to_string(now);
    PGconn* connection = acquire(call);
    if (connection == nullptr) return false;
    Result result;
    const Wait wait =
        id.empty()
            ? run(connection, &kDropExpired, nullptr, {nowText.c_str()}, call.deadline, result)
            : run(connection, &kDropRecord, nullptr, {id.c_str()}, call.deadline, result);
    const bool done = wait == Wait::Done && succeeded(result);
    if (!done) setError(PQerrorMessage(connection));
    release(connection, done);
    return done;
}

// The set's state, the count of shown sets and the new row in one transaction, one publisher
// at a time across servers.
PublishOutcome PostgresScoreStore::publishSet(const std::string& id, const std::string& name,
                                              const std::string& file, int64_t now,
                                              unsigned maxSets, StoreCall& call) {
    const std::string hex = hexOf(file), nowText = std::to_string(now);
    PGconn* connection = acquire(call);
    if (connection == nullptr) return PublishOutcome::Failed;
    Result result;
    const auto step = [&](const Statement* statement, const char* sql,
                          const std::vector<const char*>& values) {
        return run(connection, statement, sql, values, call.deadline, result) == Wait::Done &&
               succeeded(result);
    };
    const auto fail = [&] {
        setError(PQerrorMessage(connection));
        release(connection, false);
        return PublishOutcome::Failed;
    };
    if (!step(nullptr, "BEGIN", {}) || !step(&kLockSets, nullptr, {}) ||
        !step(&kSetState, nullptr, {id.c_str()}))
        return fail();
    if (PQntuples(result.get()) == 1) {
        const bool hidden = PQgetvalue(result.get(), 0, 0)[0] == 't';
        release(connection, false);  // rolled back
        return hidden ? PublishOutcome::Hidden : PublishOutcome::Known;
    }
    if (!step(&kShownSets, nullptr, {}) || PQntuples(result.get()) != 1) return fail();
    if (std::strtoul(PQgetvalue(result.get(), 0, 0), nullptr, 10) >= maxSets) {
        release(connection, false);
        return PublishOutcome::Full;
    }
    if (!step(&kPublishSet, nullptr, {id.c_str(), name.c_str(), hex.c_str(), nowText.c_str()}) ||
        !call.claimCommit())
        return fail();
    const bool committed =
        run(connection, nullptr, "COMMIT", {}, Clock::now() + kCommitWait, result) == Wait::Done &&
        succeeded(result);
    if (!committed) return fail();
    release(connection, true);
    return PublishOutcome::Published;
}

std::optional<std::vector<LevelSetRow>> PostgresScoreStore::listSets(StoreCall& call) {
    PGconn* connection = acquire(call);
    if (connection == nullptr) return std::nullopt;
    Result result;
    const bool done =
        run(connection, &kListSets, nullptr, {}, call.deadline, result) == Wait::Done &&
        succeeded(result);
    std::optional<std::vector<LevelSetRow>> sets;
    if (done) {
        sets.emplace();
        for (int row = 0; row < PQntuples(result.get()); ++row) {
            LevelSetRow& set = sets->emplace_back();
            set.id = PQgetvalue(result.get(), row, 0);
            set.name.assign(PQgetvalue(result.get(), row, 1),
                            static_cast<size_t>(PQgetlength(result.get(), row, 1)));
            set.published = std::strtoll(PQgetvalue(result.get(), row, 2), nullptr, 10);
            set.provenGames =
                static_cast<uint32_t>(std::strtoul(PQgetvalue(result.get(), row, 3), nullptr, 10));
            set.best =
                static_cast<uint32_t>(std::strtoul(PQgetvalue(result.get(), row, 4), nullptr, 10));
        }
    } else {
        setError(PQerrorMessage(connection));
    }
    release(connection, done);
    return sets;
}

std::optional<std::string> PostgresScoreStore::setFile(const std::string& id, StoreCall& call) {
    PGconn* connection = acquire(call);
    if (connection == nullptr) return std::nullopt;
    Result result;
    const bool done =
        run(connection, &kSetFile, nullptr, {id.c_str()}, call.deadline, result) == Wait::Done &&
        succeeded(result);
    std::optional<std::string> file;
    if (done) file = PQntuples(result.get()) == 1 ? bytesOfHex(PQgetvalue(result.get(), 0, 0)) : "";
    release(connection, done);
    return file;
}

bool PostgresScoreStore::hideSet(const std::string& id, bool& found, StoreCall& call) {
    found = false;
    PGconn* connection = acquire(call);
    if (connection == nullptr) return false;
    Result result;
    const bool done =
        run(connection, &kHideSet, nullptr, {id.c_str()}, call.deadline, result) == Wait::Done &&
        succeeded(result);
    if (done)
        found = std::atol(PQcmdTuples(result.get())) > 0;
    else
        setError(PQerrorMessage(connection));
    release(connection, done);
    return done;
}

std::optional<std::string> PostgresScoreStore::setName(const std::string& id, StoreCall& call) {
    PGconn* connection = acquire(call);
    if (connection == nullptr) return std::nullopt;
    Result result;
    const bool done =
        run(connection, &kSetName, nullptr, {id.c_str()}, call.deadline, result) == Wait::Done &&
        succeeded(result);
    std::optional<std::string> name;
    if (done)
        name = PQntuples(result.get()) == 1
                   ? std::string(PQgetvalue(result.get(), 0, 0),
                                 static_cast<size_t>(PQgetlength(result.get(), 0, 0)))
                   : std::string();
    release(connection, done);
    return name;
}
