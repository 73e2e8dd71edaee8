// openScoreStore: the kind of store from the form of its address.
#include "server/score_store.h"

#include "server/postgres_store.h"
#include "server/sqlite_store.h"

bool ScoreStore::record(const std::string& name, uint32_t score, const std::string& uploadId) {
    StoreCall call = StoreCall::unhurried();
    const RecordOutcome outcome = record(name, score, uploadId, call);
    return outcome == RecordOutcome::Recorded || outcome == RecordOutcome::Repeated;
}

std::vector<ScoreRecord> ScoreStore::best(int count) {
    StoreCall call = StoreCall::unhurried();
    return read(count, call).value_or(std::vector<ScoreRecord>{});
}

std::vector<ScoreRecord> ScoreStore::bestOneSitting(int count) {
    StoreCall call = StoreCall::unhurried();
    return readOneSitting(count, call).value_or(std::vector<ScoreRecord>{});
}

std::vector<ScoreRecord> ScoreStore::bestAnyPace(int count) {
    StoreCall call = StoreCall::unhurried();
    return readAnyPace(count, call).value_or(std::vector<ScoreRecord>{});
}

std::optional<std::vector<ScoreRecord>> ScoreStore::readOneSitting(int count, StoreCall& call) {
    (void)count, (void)call;
    return std::vector<ScoreRecord>{};
}

std::optional<std::vector<ScoreRecord>> ScoreStore::readAnyPace(int count, StoreCall& call) {
    (void)count, (void)call;
    return std::vector<ScoreRecord>{};
}

std::unique_ptr<ScoreStore> openScoreStore(const std::string& db) {
    if (db.starts_with("postgresql://") || db.starts_with("postgres://"))
        return std::make_unique<PostgresScoreStore>(db);
    return std::make_unique<SqliteScoreStore>(db);
}
