// PostgresScoreStore: prepared statements on pooled libpq connections.
#include "tools/scoreserver/postgres_store.h"

#include <libpq-fe.h>

#include <chrono>
#include <cstdlib>
#include <memory>

namespace {

constexpr const char* kConnectTimeoutSeconds = "5";
constexpr const char* kSessionOptions = "-c statement_timeout=5000";  // ms
constexpr int kAcquireWaitMs = 5000;  // for a connection when all are in use
constexpr int kAttempts = 2;
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
    "COMMIT;";
constexpr const char* kRecord = "record";
constexpr const char* kRecordSql =
    "INSERT INTO scores (name, score, upload_id) VALUES ($1, $2, $3)"
    " ON CONFLICT (upload_id) DO NOTHING";
constexpr const char* kBest = "best";
constexpr const char* kBestSql =
    "SELECT name, score FROM scores ORDER BY score DESC, id ASC LIMIT $1";

struct ResultDeleter {
    void operator()(PGresult* result) const { PQclear(result); }
};
using Result = std::unique_ptr<PGresult, ResultDeleter>;

bool succeeded(const Result& result, ExecStatusType wanted) {
    return result && PQresultStatus(result.get()) == wanted;
}

}  // namespace

PostgresScoreStore::PostgresScoreStore(const std::string& address, int maximum)
    : url(address), maxConnections(maximum < 1 ? 1 : maximum) {
    PGconn* first = connect(true);
    if (first == nullptr) return;
    std::lock_guard lock(mutex);
    idle.push_back(first);
    connections = 1;
    opened = true;
}

PostgresScoreStore::~PostgresScoreStore() {
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

// A new connection with the two statements prepared (and the table and its indexes created
// when missing, on the store's first connection), or null.
PGconn* PostgresScoreStore::connect(bool createSchema) {
    // The address comes last so that what it says wins, except the encoding: names are UTF-8.
    const char* keys[] = {"connect_timeout", "options",         "fallback_application_name",
                          "dbname",          "client_encoding", nullptr};
    const char* values[] = {
        kConnectTimeoutSeconds, kSessionOptions, "scoreserver", url.c_str(), "UTF8", nullptr};
    PGconn* connection = PQconnectdbParams(keys, values, 1);
    if (connection == nullptr) {
        setError("out of memory");
        return nullptr;
    }
    if (PQstatus(connection) == CONNECTION_OK &&
        (!createSchema || succeeded(Result(PQexec(connection, kSchema)), PGRES_COMMAND_OK)) &&
        succeeded(Result(PQprepare(connection, kRecord, kRecordSql, 3, nullptr)),
                  PGRES_COMMAND_OK) &&
        succeeded(Result(PQprepare(connection, kBest, kBestSql, 1, nullptr)), PGRES_COMMAND_OK))
        return connection;
    setError(PQerrorMessage(connection));
    PQfinish(connection);
    return nullptr;
}

// An idle connection, a new one while fewer than the maximum exist, or else the next one
// returned; null when none came in time or a new one failed.
PGconn* PostgresScoreStore::acquire() {
    {
        std::unique_lock lock(mutex);
        const bool available =
            returned.wait_for(lock, std::chrono::milliseconds(kAcquireWaitMs),
                              [this] { return !idle.empty() || connections < maxConnections; });
        if (!available) {
            lastError = "all database connections are in use";
            return nullptr;
        }
        if (!idle.empty()) {
            PGconn* connection = idle.back();
            idle.pop_back();
            return connection;
        }
        ++connections;  // reserved while connecting without the lock
    }
    PGconn* connection = connect(false);
    if (connection == nullptr) {
        std::lock_guard lock(mutex);
        --connections;
        returned.notify_one();
    }
    return connection;
}

// Back to the pool, or closed when the server dropped it (a new one replaces it on demand).
void PostgresScoreStore::release(PGconn* connection) {
    std::lock_guard lock(mutex);
    if (PQstatus(connection) == CONNECTION_OK && PQtransactionStatus(connection) == PQTRANS_IDLE) {
        idle.push_back(connection);
    } else {
        PQfinish(connection);
        --connections;
    }
    returned.notify_one();
}

// A connection the server dropped (a restart, an idle timeout) fails its next statement; the
// statement is tried once more on a fresh connection. An upload that did reach the old one
// before it broke is recorded once when it carries an id.
bool PostgresScoreStore::record(const std::string& name, uint32_t score,
                                const std::string& uploadId) {
    const std::string scoreText = std::to_string(score);
    const char* values[] = {name.c_str(), scoreText.c_str(),
                            uploadId.empty() ? nullptr : uploadId.c_str()};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        PGconn* connection = acquire();
        if (connection == nullptr) return false;
        const Result result(PQexecPrepared(connection, kRecord, 3, values, nullptr, nullptr, 0));
        const bool done = succeeded(result, PGRES_COMMAND_OK);
        if (!done) setError(PQerrorMessage(connection));
        const bool broken = PQstatus(connection) != CONNECTION_OK;
        release(connection);
        if (done || !broken) return done;
    }
    return false;
}

std::vector<ScoreRecord> PostgresScoreStore::best(int count) {
    const std::string countText = std::to_string(count);
    const char* values[] = {countText.c_str()};
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        PGconn* connection = acquire();
        if (connection == nullptr) return {};
        const Result result(PQexecPrepared(connection, kBest, 1, values, nullptr, nullptr, 0));
        std::vector<ScoreRecord> records;
        const bool done = succeeded(result, PGRES_TUPLES_OK);
        if (done) {
            const int rows = PQntuples(result.get());
            records.reserve(static_cast<size_t>(rows));
            for (int row = 0; row < rows; ++row)
                records.push_back(
                    {std::string(PQgetvalue(result.get(), row, 0),
                                 static_cast<size_t>(PQgetlength(result.get(), row, 0))),
                     static_cast<uint32_t>(
                         std::strtoul(PQgetvalue(result.get(), row, 1), nullptr, 10))});
        } else {
            setError(PQerrorMessage(connection));
        }
        const bool broken = PQstatus(connection) != CONNECTION_OK;
        release(connection);
        if (done || !broken) return records;
    }
    return {};
}
