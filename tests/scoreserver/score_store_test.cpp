// Both stores against one suite: ranking, one row per upload id, concurrent writers, reopening;
// and the SQLite store's write-ahead log staying small under a long run of uploads.
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include <filesystem>
#include <thread>
#include <type_traits>

#include "server/score_store.h"
#include "temp_postgres.h"
#include "test_processes.h"

namespace {

std::string listOf(const std::vector<ScoreRecord>& records) {
    std::string text;
    for (const ScoreRecord& record : records)
        text += record.name + ":" + std::to_string(record.score) + " ";
    return text;
}

struct SqliteDatabase {
    SqliteDatabase() : directory(makeTempDirectory("scores_store")) {}
    ~SqliteDatabase() {
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    std::string address() const { return directory + "scores.sqlite"; }
    // Runs SQL on the database as another program would.
    bool exec(const std::string& sql) const {
        sqlite3* db = nullptr;
        const bool done = sqlite3_open(address().c_str(), &db) == SQLITE_OK &&
                          sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK;
        sqlite3_close(db);
        return done;
    }
    // The table as proven scores first stored it, before sittings were counted.
    static constexpr const char* kTableBeforeSittings =
        "CREATE TABLE scores (id INTEGER PRIMARY KEY AUTOINCREMENT, name TEXT NOT NULL,"
        " score INTEGER NOT NULL, upload_id TEXT, proven INTEGER NOT NULL DEFAULT 0,"
        " proof_id TEXT, record BLOB);";
    std::string directory;
};

struct PostgresDatabase {
    PostgresDatabase() : url(sharedPostgres().createDatabase()) {
        // A missing server fails here, never skips: the suite must run against both stores.
        EXPECT_FALSE(url.empty()) << sharedPostgres().error;
    }
    std::string address() const { return url; }
    bool exec(const std::string& sql) const {
        PGconn* connection = PQconnectdb(url.c_str());
        PGresult* result = PQexec(connection, sql.c_str());
        const bool done = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        PQfinish(connection);
        return done;
    }
    static constexpr const char* kTableBeforeSittings =
        "CREATE TABLE scores (id BIGSERIAL PRIMARY KEY, name TEXT NOT NULL,"
        " score BIGINT NOT NULL, upload_id TEXT, proven BOOLEAN NOT NULL DEFAULT false,"
        " proof_id TEXT, record BYTEA);";
    std::string url;
};

template <typename Database>
class ScoreStoreTest : public testing::Test {
  protected:
    std::unique_ptr<ScoreStore> open() {
        auto store = openScoreStore(database.address());
        EXPECT_TRUE(store->ok()) << store->error();
        return store;
    }
    Database database;
};

using Databases = testing::Types<SqliteDatabase, PostgresDatabase>;
class DatabaseNames {
  public:
    template <typename T>
    static std::string GetName(int) {
        return std::is_same_v<T, SqliteDatabase> ? "Sqlite" : "Postgres";
    }
};
TYPED_TEST_SUITE(ScoreStoreTest, Databases, DatabaseNames);

TYPED_TEST(ScoreStoreTest, RanksHighestFirstAndEarlierFirstOnTies) {
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    EXPECT_EQ(listOf(store->best(100)), "");
    EXPECT_TRUE(store->record("A", 5));
    EXPECT_TRUE(store->record("B", 7));
    EXPECT_TRUE(store->record("Zo\xC3\xAB", 4294967295u));
    EXPECT_TRUE(store->record("C", 7));
    EXPECT_TRUE(store->record("D", 0));
    EXPECT_EQ(listOf(store->best(100)), "Zo\xC3\xAB:4294967295 B:7 C:7 A:5 D:0 ");
    EXPECT_EQ(listOf(store->best(2)), "Zo\xC3\xAB:4294967295 B:7 ");
    // A later equal score goes below the earlier ones, even one recorded before the list was
    // last read.
    EXPECT_TRUE(store->record("E", 7));
    EXPECT_EQ(listOf(store->best(5)), "Zo\xC3\xAB:4294967295 B:7 C:7 E:7 A:5 ");
    EXPECT_EQ(listOf(store->best(0)), "");
}

TYPED_TEST(ScoreStoreTest, AnUploadIdIsRecordedOnceAndUploadsWithoutOneAlways) {
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    EXPECT_TRUE(store->record("A", 10, "0123456789abcdef"));
    EXPECT_TRUE(store->record("A", 10, "0123456789abcdef"));  // a retry: answered, not stored
    // The id with another name or another score is refused and changes nothing.
    StoreCall otherName = StoreCall::unhurried(), otherScore = StoreCall::unhurried();
    EXPECT_EQ(store->record("X", 10, "0123456789abcdef", otherName), RecordOutcome::Conflict);
    EXPECT_EQ(store->record("A", 11, "0123456789abcdef", otherScore), RecordOutcome::Conflict);
    EXPECT_TRUE(store->record("A", 10, "0123456789abcdee"));
    EXPECT_TRUE(store->record("B", 20));
    EXPECT_TRUE(store->record("B", 20));
    EXPECT_EQ(listOf(store->best(100)), "B:20 B:20 A:10 A:10 ");
}

TYPED_TEST(ScoreStoreTest, ConcurrentWritersAllLandAndOneIdOnlyOnce) {
    constexpr int kThreads = 8;
    constexpr int kEach = 40;  // scores 1..320
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    std::vector<std::thread> threads;
    std::vector<int> failures(kThreads, 0);
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kEach; ++i) {
                const uint32_t score = 1 + t * kEach + i;
                if (!store->record("T" + std::to_string(t), score)) ++failures[t];
                if (i % 8 == 0) store->best(100);  // reads among the writes
            }
            // Every thread retries the same upload at about the same time.
            if (!store->record("SAME", 1000, "same-upload")) ++failures[t];
        });
    }
    for (auto& thread : threads) thread.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[t], 0) << store->error();
    const std::vector<ScoreRecord> best = store->best(kThreads * kEach + kThreads);
    ASSERT_EQ(best.size(), static_cast<size_t>(kThreads * kEach + 1));
    EXPECT_EQ(best[0].name, "SAME");
    for (int i = 1; i <= kThreads * kEach; ++i) {
        const uint32_t score = kThreads * kEach + 1 - i;  // 320 down to 1
        EXPECT_EQ(best[i].score, score);
        EXPECT_EQ(best[i].name, "T" + std::to_string((score - 1) / kEach));
    }
}

TYPED_TEST(ScoreStoreTest, AnotherStoreOnTheSameDatabaseSeesTheScores) {
    {
        auto first = this->open();
        ASSERT_TRUE(first->ok());
        EXPECT_TRUE(first->record("A", 3, "id-a"));
        EXPECT_TRUE(first->record("B", 4));
    }
    auto second = this->open();
    ASSERT_TRUE(second->ok());
    EXPECT_TRUE(second->record("A", 3, "id-a"));  // still known after reopening
    EXPECT_TRUE(second->record("C", 4));
    EXPECT_EQ(listOf(second->best(100)), "B:4 C:4 A:3 ");
}

// The client was already told "not recorded" when the store got to the commit: the row must
// not appear, and the upload's retry is then stored once.
TYPED_TEST(ScoreStoreTest, AWriteAnsweredLateBeforeItsCommitIsNeverStored) {
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    StoreCall late = StoreCall::unhurried();
    ASSERT_TRUE(late.claimLate());
    EXPECT_EQ(store->record("L", 9, "late-id", late), RecordOutcome::Late);
    EXPECT_EQ(listOf(store->best(100)), "");
    EXPECT_TRUE(store->record("L", 9, "late-id"));
    EXPECT_TRUE(store->record("L", 9, "late-id"));
    EXPECT_EQ(listOf(store->best(100)), "L:9 ");
}

TYPED_TEST(ScoreStoreTest, TrimDeletesOnlyTheLowestRankedBeyondTheBound) {
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    // R0..R29 score i % 10: three rows per score, the later ones ranked lower.
    for (int i = 0; i < 30; ++i) ASSERT_TRUE(store->record("R" + std::to_string(i), i % 10));
    StoreCall first = StoreCall::unhurried(), second = StoreCall::unhurried();
    EXPECT_EQ(store->trim(20, first), 10);
    EXPECT_EQ(store->trim(20, second), 0);
    // Scores 9 down to 4 (18 rows), then the two earliest 3s; R23 was the latest 3.
    std::string expected;
    for (int score = 9; score >= 4; --score)
        for (int i = score; i < 30; i += 10)
            expected += "R" + std::to_string(i) + ":" + std::to_string(score) + " ";
    expected += "R3:3 R13:3 ";
    EXPECT_EQ(listOf(store->best(100)), expected);
}

// A proven row keeps its flag and record; a game is accepted for one upload id only, and its
// key outlives the row's deletion; a store that lists proven rows only hides the plain ones.
TYPED_TEST(ScoreStoreTest, ProvenGamesAreKeptFlaggedAndAcceptedOnce) {
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    const std::string bytes("rec\0\xff\x80ord", 9);  // any bytes, a zero among them
    const ProvenGame game{"key-1", std::string(64, 'a'), bytes};
    auto recordProven = [&](const std::string& name, uint32_t score, const std::string& id,
                            const ProvenGame& g) {
        StoreCall call = StoreCall::unhurried();
        return store->recordProven(name, score, id, g, call);
    };
    EXPECT_EQ(recordProven("ACE", 50, "u1", game), RecordOutcome::Recorded);
    EXPECT_EQ(recordProven("ACE", 50, "u1", game), RecordOutcome::Repeated);  // a retry
    EXPECT_EQ(recordProven("ACE", 50, "u2", game), RecordOutcome::Used);
    EXPECT_EQ(recordProven("ACE", 50, "", game), RecordOutcome::Used);
    // An id is one upload: a proof sent under the id of a plain upload of the same name and
    // score is not its retry, and the refused game stays free for its own upload.
    EXPECT_TRUE(store->record("PLAIN", 99, "p1"));
    const ProvenGame later{"key-2", std::string(64, 'c'), "x"};
    EXPECT_EQ(recordProven("PLAIN", 99, "p1", later), RecordOutcome::Conflict);
    EXPECT_FALSE(store->record("ACE", 50, "u1")) << "nor a plain retry of a proven upload";
    const std::vector<ScoreRecord> all = store->best(10);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_FALSE(all[0].proven);
    EXPECT_TRUE(all[1].proven);
    EXPECT_EQ(all[1].replay, game.id);
    StoreCall read = StoreCall::unhurried();
    EXPECT_EQ(store->replay(game.id, read), bytes);
    store->listUnproven(false);
    EXPECT_EQ(listOf(store->best(10)), "ACE:50 ");

    // Rows trimmed away: the game's key is still used.
    for (uint32_t score = 100; score < 100 + 3; ++score) {
        StoreCall call = StoreCall::unhurried();
        ASSERT_EQ(
            store->recordProven("TOP", score, "t" + std::to_string(score),
                                {"key-t" + std::to_string(score), std::string(64, 'b'), "x"}, call),
            RecordOutcome::Recorded);
    }
    StoreCall trim = StoreCall::unhurried();
    while (store->trim(2, trim) > 0) {
    }
    EXPECT_EQ(listOf(store->best(10)), "TOP:102 TOP:101 ");
    EXPECT_EQ(recordProven("AGAIN", 50, "u3", game), RecordOutcome::Used);
    EXPECT_EQ(recordProven("LATER", 1, "u4", later), RecordOutcome::Recorded);
}

// A proven row keeps the sittings its record holds, and the games of one sitting are listed
// on their own. A table from before the count gains it: its proven rows' counts are not known,
// so they are listed with every game but not among those of one sitting.
TYPED_TEST(ScoreStoreTest, ProvenRowsKeepTheirSittingsAndOlderTablesGainTheCount) {
    ASSERT_TRUE(this->database.exec(std::string(TypeParam::kTableBeforeSittings) +
                                    "INSERT INTO scores (name, score, proven, proof_id)"
                                    " VALUES ('OLD', 70, " +
                                    (std::is_same_v<TypeParam, SqliteDatabase> ? "1" : "true") +
                                    ", '" + std::string(64, 'o') + "');"));
    auto store = this->open();
    ASSERT_TRUE(store->ok());
    auto recordProven = [&](const std::string& name, uint32_t score, uint32_t sessions) {
        StoreCall call = StoreCall::unhurried();
        return store->recordProven(name, score, name,
                                   {"key-" + name, std::string(64, 'a'), "x", sessions}, call);
    };
    EXPECT_EQ(recordProven("TWO", 90, 2), RecordOutcome::Recorded);
    EXPECT_EQ(recordProven("ONE", 80, 1), RecordOutcome::Recorded);
    EXPECT_EQ(recordProven("ONE-B", 60, 1), RecordOutcome::Recorded);
    EXPECT_TRUE(store->record("PLAIN", 100));
    const auto sittings = [](const std::vector<ScoreRecord>& rows) {
        std::string text;
        for (const ScoreRecord& row : rows)
            text += row.name + ":" + std::to_string(row.sessions) + (row.proven ? "p " : " ");
        return text;
    };
    EXPECT_EQ(sittings(store->best(10)), "PLAIN:0 TWO:2p ONE:1p OLD:0p ONE-B:1p ");
    EXPECT_EQ(sittings(store->bestOneSitting(10)), "ONE:1p ONE-B:1p ");
    EXPECT_EQ(sittings(store->bestOneSitting(1)), "ONE:1p ");
    // Trimming keeps both boards whole: the best two, and the best two of one sitting.
    StoreCall trim = StoreCall::unhurried();
    EXPECT_EQ(store->trim(2, trim), 1);
    EXPECT_EQ(sittings(store->best(10)), "PLAIN:0 TWO:2p ONE:1p ONE-B:1p ");
}

// Records held for their uploads: once each, within each client's share of records and bytes
// (another client's never pushed out), found through any store on the database until let go
// of or expired; a proven record's id tells its game and score.
constexpr int64_t kNow = 1000, kKept = 60;  // Unix seconds, and how long a record is held

TYPED_TEST(ScoreStoreTest, HeldRecordsStayWithinEachClientsShareForEveryStore) {
    auto first = this->open();
    auto second = this->open();
    ASSERT_TRUE(first->ok());
    ASSERT_TRUE(second->ok());
    const RecordShare share{2, 10};
    const std::string bRecord("b\0b", 3);
    auto keep = [&](ScoreStore& store, const std::string& id, const std::string& bytes,
                    const std::string& client, int64_t at = kNow) {
        StoreCall call = StoreCall::unhurried();
        return store.keepRecord({id, bytes, client, at + kKept}, share, at, call);
    };
    auto look = [](ScoreStore& store, const std::string& id, int64_t at = kNow) {
        StoreCall call = StoreCall::unhurried();
        return store.lookUpRecord(id, at, call);
    };
    EXPECT_EQ(keep(*first, "b1", bRecord, "B"), KeepOutcome::Kept);
    EXPECT_EQ(keep(*first, "a1", "aaaa", "A"), KeepOutcome::Kept);
    EXPECT_EQ(keep(*second, "a1", "aaaa", "A"), KeepOutcome::Kept) << "held once";
    EXPECT_EQ(keep(*second, "a2", "aaaaaaa", "A"), KeepOutcome::Full) << "11 bytes";
    EXPECT_EQ(keep(*second, "a3", "aa", "A"), KeepOutcome::Kept);
    EXPECT_EQ(keep(*first, "a4", "a", "A"), KeepOutcome::Full) << "a third record";
    ProofLookup found = look(*second, "b1");
    EXPECT_TRUE(found.answered);
    EXPECT_EQ(found.bytes, bRecord);
    EXPECT_FALSE(found.proven);

    StoreCall drop = StoreCall::unhurried();
    EXPECT_TRUE(second->dropRecords("a1", kNow, drop));
    EXPECT_FALSE(look(*first, "a1").bytes);
    EXPECT_EQ(keep(*first, "a4", "a", "A"), KeepOutcome::Kept) << "room again";
    EXPECT_FALSE(look(*first, "b1", kNow + kKept).bytes) << "expired";
    EXPECT_EQ(keep(*first, "a5", "a", "A", kNow + kKept), KeepOutcome::Kept);
    StoreCall expire = StoreCall::unhurried();
    EXPECT_TRUE(first->dropRecords({}, kNow + kKept, expire));
    EXPECT_FALSE(look(*first, "b1").bytes) << "deleted";
    EXPECT_TRUE(look(*first, "a5").bytes);

    StoreCall call = StoreCall::unhurried();
    ASSERT_EQ(first->recordProven("ACE", 50, "u1", {"key-1", "a5", "a"}, call),
              RecordOutcome::Recorded);
    found = look(*second, "a5");
    ASSERT_TRUE(found.proven);
    EXPECT_EQ(found.proven->key, "key-1");
    EXPECT_EQ(found.proven->score, 50u);
    EXPECT_FALSE(look(*second, "a4").proven);
}

// Level sets as two servers of one deployment see them: published through either, bounded
// across both, hidden for both. A proven game on a set is on that set's board only; the
// built-in boards hold rows without a set.
TYPED_TEST(ScoreStoreTest, LevelSetsAreSharedBoundedHiddenAndEachHasItsOwnBoard) {
    auto first = this->open();
    auto second = this->open();
    ASSERT_TRUE(first->ok());
    ASSERT_TRUE(second->ok());
    const std::string a(64, 'a'), b(64, 'b'), c(64, 'c'), d(64, 'd');
    const std::string fileA("set\0A", 5);
    auto publish = [](ScoreStore& store, const std::string& id, const std::string& file) {
        StoreCall call = StoreCall::unhurried();
        return store.publishSet(id, "N" + id.substr(0, 1), file, kNow, 2, call);
    };
    auto shown = [](ScoreStore& store) {
        StoreCall call = StoreCall::unhurried();
        std::string text;
        for (const LevelSetRow& set : store.listSets(call).value_or(std::vector<LevelSetRow>{}))
            text += set.name + ":" + std::to_string(set.provenGames) + ":" +
                    std::to_string(set.best) + " ";
        return text;
    };
    auto fileOf = [](ScoreStore& store, const std::string& id) {
        StoreCall call = StoreCall::unhurried();
        return store.setFile(id, call);
    };
    EXPECT_EQ(publish(*first, a, fileA), PublishOutcome::Published);
    EXPECT_EQ(publish(*second, a, fileA), PublishOutcome::Known);
    EXPECT_EQ(fileOf(*second, a), fileA);
    EXPECT_EQ(fileOf(*second, b), std::string()) << "no such set";
    EXPECT_EQ(publish(*second, b, "B"), PublishOutcome::Published);
    EXPECT_EQ(publish(*first, c, "C"), PublishOutcome::Full) << "two at most";

    // Games: one on set A, one on the built-in set, one on set B.
    auto proven = [](ScoreStore& store, const std::string& name, uint32_t score,
                     const std::string& set, uint32_t sittings = 1) {
        StoreCall call = StoreCall::unhurried();
        return store.recordProven(
            name, score, "u-" + name,
            {"key-" + name, std::string(63, 'e') + name.substr(0, 1), "rec", sittings, set}, call);
    };
    EXPECT_EQ(proven(*first, "ONA", 70, a), RecordOutcome::Recorded);
    EXPECT_EQ(proven(*second, "TWOA", 90, a, 2), RecordOutcome::Recorded);
    EXPECT_EQ(proven(*first, "HOME", 50, ""), RecordOutcome::Recorded);
    EXPECT_EQ(proven(*second, "ONB", 99, b), RecordOutcome::Recorded);
    EXPECT_TRUE(first->record("PLAIN", 60));
    EXPECT_EQ(listOf(second->best(10)), "PLAIN:60 HOME:50 ");
    EXPECT_EQ(listOf(second->bestOneSitting(10)), "HOME:50 ");
    StoreCall read = StoreCall::unhurried();
    EXPECT_EQ(listOf(first->readSet(a, 10, read).value_or(std::vector<ScoreRecord>{})),
              "TWOA:90 ONA:70 ");
    EXPECT_EQ(shown(*first), "Na:2:90 Nb:1:99 ") << "published together: by id";

    // Trimmed to one row a board: each board keeps its best, the built-in one-sitting board
    // too, whatever better scores the others hold.
    StoreCall trim = StoreCall::unhurried();
    while (first->trim(1, trim) > 0) {
    }
    EXPECT_EQ(listOf(second->best(10)), "PLAIN:60 HOME:50 ");
    EXPECT_EQ(listOf(second->bestOneSitting(10)), "HOME:50 ");
    StoreCall trimmed = StoreCall::unhurried();
    EXPECT_EQ(listOf(first->readSet(a, 10, trimmed).value_or(std::vector<ScoreRecord>{})),
              "TWOA:90 ");

    bool found = false;
    StoreCall hide = StoreCall::unhurried();
    EXPECT_TRUE(second->hideSet(b, found, hide));
    EXPECT_TRUE(found);
    EXPECT_EQ(shown(*first), "Na:1:90 ");
    EXPECT_EQ(fileOf(*first, b), std::string());
    StoreCall names = StoreCall::unhurried();
    EXPECT_EQ(first->setName(a, names), "Na");
    EXPECT_EQ(first->setName(b, names), std::string()) << "hidden";
    EXPECT_EQ(publish(*first, b, "B"), PublishOutcome::Hidden) << "taken down for good";
    EXPECT_EQ(publish(*first, d, "D"), PublishOutcome::Published) << "a hidden set frees room";
    StoreCall none = StoreCall::unhurried();
    EXPECT_TRUE(first->hideSet(c, found, none));
    EXPECT_FALSE(found);
}

TEST(PostgresScoreStoreTest, KeepsServingAfterTheDatabaseServerRestarts) {
    PostgresDatabase database;
    auto store = openScoreStore(database.address());
    ASSERT_TRUE(store->ok()) << store->error();
    EXPECT_TRUE(store->record("A", 1));
    ASSERT_TRUE(sharedPostgres().restart());  // the pooled connection is gone
    EXPECT_TRUE(store->record("B", 2)) << store->error();
    ASSERT_TRUE(sharedPostgres().restart());
    EXPECT_EQ(listOf(store->best(100)), "B:2 A:1 ");
}

TEST(ScoreStoreOpenTest, AnUnusableAddressIsReportedNotServed) {
    auto file = openScoreStore("/nonexistent-directory/scores.sqlite");
    EXPECT_FALSE(file->ok());
    EXPECT_FALSE(file->error().empty());
    EXPECT_FALSE(file->record("A", 1));
    EXPECT_TRUE(file->best(100).empty());
    // Nothing listens on this socket directory: refused, not a SQLite file of that name.
    auto server = openScoreStore("postgresql://scores@/scores?host=/nonexistent-directory");
    EXPECT_FALSE(server->ok());
    EXPECT_NE(server->error().find("nonexistent-directory"), std::string::npos) << server->error();
    EXPECT_FALSE(server->record("A", 1));
}

// A file written before uploads had ids keeps its scores and takes ids from then on.
TEST(SqliteScoreStoreTest, AFileFromBeforeUploadIdsIsCarriedOver) {
    SqliteDatabase database;
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.address().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "PRAGMA journal_mode=WAL;"
                           "CREATE TABLE scores (id INTEGER PRIMARY KEY AUTOINCREMENT,"
                           " name TEXT NOT NULL,"
                           " score INTEGER NOT NULL CHECK (score BETWEEN 0 AND 4294967295));"
                           "CREATE INDEX scores_by_rank ON scores (score DESC, id ASC);"
                           "INSERT INTO scores (name, score) VALUES ('OLD', 50), ('OLDER', 60);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    auto store = openScoreStore(database.address());
    ASSERT_TRUE(store->ok()) << store->error();
    EXPECT_TRUE(store->record("NEW", 55, "abc"));
    EXPECT_TRUE(store->record("NEW", 55, "abc"));
    EXPECT_EQ(listOf(store->best(100)), "OLDER:60 NEW:55 OLD:50 ");
}

// Many uploads through the store, from several threads: the log never passes 64 MB, and the
// rows reach the database file itself while the store is still open.
TEST(SqliteScoreStoreTest, TheLogStaysSmallAndTheRowsReachTheDatabaseFile) {
    constexpr int kThreads = 4;
    constexpr int kEach = 7500;  // unbounded, the log would pass 64 MB about a third of the way
    constexpr off_t kLogBound = 64 << 20;
    constexpr off_t kBytesPerRow = 8;  // far below what a row and its index entries take
    SqliteDatabase database;
    const std::string log = database.address() + "-wal";
    const auto sizeOf = [](const std::string& path) {
        struct stat info {};
        return ::stat(path.c_str(), &info) == 0 ? info.st_size : off_t{0};
    };
    {
        auto store = openScoreStore(database.address());
        ASSERT_TRUE(store->ok()) << store->error();
        std::vector<std::thread> threads;
        std::vector<off_t> largestLog(kThreads, 0);
        std::vector<int> failures(kThreads, 0);
        for (int t = 0; t < kThreads; ++t) {
            threads.emplace_back([&, t] {
                for (int i = 0; i < kEach; ++i) {
                    if (!store->record("W" + std::to_string(t), i % 100000)) ++failures[t];
                    if (i % 250 == 0) largestLog[t] = std::max(largestLog[t], sizeOf(log));
                }
            });
        }
        for (auto& thread : threads) thread.join();
        for (int t = 0; t < kThreads; ++t) {
            EXPECT_EQ(failures[t], 0);
            EXPECT_LT(largestLog[t], kLogBound);
        }
        EXPECT_LT(sizeOf(log), kLogBound);
        EXPECT_GT(sizeOf(database.address()), kThreads * kEach * kBytesPerRow);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(database.address().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM scores", -1, &count, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), kThreads * kEach);
    sqlite3_finalize(count);
    sqlite3_close(db);
}

}  // namespace
