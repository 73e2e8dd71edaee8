// openScoreStore: the kind of store from the form of its address.
#include "tools/scoreserver/score_store.h"

#include "tools/scoreserver/postgres_store.h"
#include "tools/scoreserver/sqlite_store.h"

std::unique_ptr<ScoreStore> openScoreStore(const std::string& db) {
    if (db.starts_with("postgresql://") || db.starts_with("postgres://"))
        return std::make_unique<PostgresScoreStore>(db);
    return std::make_unique<SqliteScoreStore>(db);
}
