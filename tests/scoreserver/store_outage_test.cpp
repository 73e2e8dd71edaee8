// The score server while its store stalls, stops or is damaged: what needs no database is
// answered meanwhile, an upload that missed its deadline is refused and never written later,
// and a list is never answered empty because of an error.
#include <gtest/gtest.h>
#include <httplib.h>
#include <libpq-fe.h>
#include <spawn.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "server/score_server.h"
#include "server/score_store.h"
#include "server/web_files.h"
#include "temp_postgres.h"
#include "test_processes.h"

extern char** environ;

namespace {

constexpr const char* kScript = "/Vextorium2/updateScore.php";
constexpr int kPolls = 200;  // of 50 ms: ten seconds for anything the test waits to see
constexpr auto kPoll = std::chrono::milliseconds(50);

// A server in this process on a free loopback port, over the given store, with one web file.
// These cases upload plain scores: listed as with --accept-unproven.
ServerLimits plainListed() {
    ServerLimits limits;
    limits.proofs.acceptUnproven = true;
    return limits;
}

class Served {
  public:
    Served(std::unique_ptr<ScoreStore> opened, const StoreLimits& limits)
        : directory(makeTempDirectory("store_outage")),
          store(std::move(opened)),
          web(writeWebDirectory(directory)),
          server(*store, plainListed(), &web, limits) {
        port = server.bind("127.0.0.1", 0);
        thread = std::thread([this] { server.run(); });
        for (int i = 0; i < kPolls && !server.running(); ++i) std::this_thread::sleep_for(kPoll);
    }
    ~Served() {
        server.stop();
        thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    httplib::Result get(const std::string& target) const {
        httplib::Client client("127.0.0.1", port);
        client.set_read_timeout(30, 0);
        return client.Get(target);
    }
    int status(const std::string& target) const {
        auto result = get(target);
        return result ? result->status : -1;
    }
    // Polls until `target` answers `wanted`.
    bool reaches(const std::string& target, int wanted) const {
        for (int i = 0; i < kPolls; ++i) {
            if (status(target) == wanted) return true;
            std::this_thread::sleep_for(kPoll);
        }
        return false;
    }

    std::string directory;
    std::unique_ptr<ScoreStore> store;
    WebFiles web;
    ScoreServer server;
    std::thread thread;
    int port = 0;

  private:
    static std::string writeWebDirectory(const std::string& directory) {
        std::filesystem::create_directory(directory + "web");
        std::ofstream(directory + "web/index.html") << "<!DOCTYPE html><title>game</title>";
        return directory + "web";
    }
};

StoreLimits shortDeadlines() {
    StoreLimits limits;
    limits.readMs = 300;
    limits.writeMs = 2000;  // long beside the few requests made while an upload waits
    return limits;
}

// While the store is held up: an upload started first is answered 503 with Retry-After, and a
// web file, /healthz and the unchanged list asked for after it are answered before it. The
// store is only let go by the caller afterwards, so the 503 came from the deadline.
void expectOnlyStoreCallsWait(const Served& served, const std::string& uploadId) {
    std::atomic<bool> uploadAnswered{false};
    int uploadStatus = 0;
    bool retryAfter = false;
    std::thread upload([&] {
        auto result =
            served.get(std::string(kScript) + "?myname=LATE&myscore=900&myid=" + uploadId);
        uploadStatus = result ? result->status : -1;
        retryAfter = result && result->has_header("Retry-After");
        uploadAnswered = true;
    });
    std::this_thread::sleep_for(kPoll);  // the upload is with the store by now
    EXPECT_EQ(served.status("/"), 200);
    EXPECT_NE(served.status("/healthz"), -1);
    auto list = served.get(kScript);
    ASSERT_TRUE(list);
    EXPECT_EQ(list->status, 200);
    EXPECT_EQ(list->body, ";A,5");
    EXPECT_FALSE(uploadAnswered) << "answered before the web file, /healthz and the list";
    upload.join();
    EXPECT_EQ(uploadStatus, 503);
    EXPECT_TRUE(retryAfter);
    EXPECT_TRUE(served.reaches("/healthz", 503));
}

long postgresRows(const std::string& url, const std::string& where) {
    PGconn* connection = PQconnectdb(url.c_str());
    PGresult* result = PQexec(connection, ("SELECT count(*) FROM scores WHERE " + where).c_str());
    const long rows =
        PQresultStatus(result) == PGRES_TUPLES_OK ? std::atol(PQgetvalue(result, 0, 0)) : -1;
    PQclear(result);
    PQfinish(connection);
    return rows;
}

// Thaws the server whatever the test's outcome: other tests share it.
struct Thaw {
    TempPostgres& server;
    ~Thaw() { server.freeze(false); }
};

}  // namespace

TEST(StoreOutageTest, PostgresLockedOrFrozenHoldsUpOnlyItsOwnCallsAndNothingIsWrittenLate) {
    const std::string url = sharedPostgres().createDatabase();
    ASSERT_FALSE(url.empty()) << sharedPostgres().error;
    Served served(openScoreStore(url), shortDeadlines());
    ASSERT_TRUE(served.store->ok()) << served.store->error();
    ASSERT_EQ(served.status(std::string(kScript) + "?myname=A&myscore=5"), 200);
    ASSERT_EQ(served.get(kScript)->body, ";A,5");

    PGconn* holder = PQconnectdb(url.c_str());
    PQclear(PQexec(holder, "BEGIN; LOCK TABLE scores IN ACCESS EXCLUSIVE MODE;"));
    expectOnlyStoreCallsWait(served, "during-lock");
    PQclear(PQexec(holder, "COMMIT"));
    PQfinish(holder);
    EXPECT_TRUE(served.reaches("/healthz", 200));

    {
        Thaw thaw{sharedPostgres()};
        sharedPostgres().freeze(true);
        expectOnlyStoreCallsWait(served, "during-freeze");
    }
    EXPECT_TRUE(served.reaches("/healthz", 200));
    // The sessions that held the two uploads were dropped before any commit: once the server
    // runs again and has read that, nothing of them is left.
    EXPECT_EQ(served.status(std::string(kScript) + "?myname=B&myscore=6&myid=after"), 200);
    EXPECT_EQ(postgresRows(url, "upload_id IN ('during-lock', 'during-freeze')"), 0);
    EXPECT_EQ(served.get(kScript)->body, ";B,6;A,5");
    EXPECT_EQ(postgresRows(url, "true"), 2);
}

TEST(StoreOutageTest, WhilePostgresIsDownReadsGetTheLastListWithItsAgeThen503NeverEmpty) {
    TempPostgres own;  // stopped by this test, so not the shared one
    const std::string url = own.createDatabase();
    ASSERT_FALSE(url.empty()) << own.error;
    StoreLimits limits = shortDeadlines();
    limits.staleSeconds = 2;
    Served served(openScoreStore(url), limits);
    ASSERT_EQ(served.status(std::string(kScript) + "?myname=A&myscore=5"), 200);
    ASSERT_EQ(served.get(kScript)->body, ";A,5");
    ASSERT_TRUE(own.stop());

    bool sawAge = false, saw503 = false;
    for (int i = 0; i < kPolls && !saw503; ++i) {
        for (const char* target : {kScript, "/scores.json", "/scores"}) {
            auto result = served.get(target);
            ASSERT_TRUE(result) << target;
            if (result->status == 503) {
                EXPECT_TRUE(result->has_header("Retry-After")) << target;
                saw503 = true;
                continue;
            }
            ASSERT_EQ(result->status, 200) << target;
            EXPECT_NE(result->body.find('A'), std::string::npos) << target << ": " << result->body;
            if (result->has_header("Age")) {
                sawAge = true;
                if (std::string(target) == "/scores") {
                    EXPECT_NE(result->body.find(" ago."), std::string::npos);
                }
            }
        }
        std::this_thread::sleep_for(kPoll);
    }
    EXPECT_TRUE(sawAge);
    EXPECT_TRUE(saw503);
    EXPECT_EQ(served.status(std::string(kScript) + "?myname=B&myscore=7"), 503);
    EXPECT_EQ(served.status("/healthz"), 503);

    ASSERT_TRUE(own.start());
    EXPECT_TRUE(served.reaches("/healthz", 200));
    EXPECT_TRUE(served.reaches(kScript, 200));
    auto back = served.get(kScript);
    EXPECT_EQ(back->body, ";A,5");
    EXPECT_FALSE(back->has_header("Age"));
}

// Another process holds the SQLite file's write lock (the sqlite3 shell in a transaction).
TEST(StoreOutageTest, SqliteLockedByAnotherProcessRefusesUploadsInTimeAndNeverWritesThemLater) {
    const std::string directory = makeTempDirectory("store_outage_sqlite");
    const std::string path = directory + "scores.sqlite";
    {
        Served served(openScoreStore(path), shortDeadlines());
        ASSERT_EQ(served.status(std::string(kScript) + "?myname=A&myscore=5"), 200);
        ASSERT_EQ(served.get(kScript)->body, ";A,5");

        int toShell[2], fromShell[2];
        ASSERT_EQ(::pipe(toShell), 0);
        ASSERT_EQ(::pipe(fromShell), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, toShell[0], STDIN_FILENO);
        posix_spawn_file_actions_adddup2(&actions, fromShell[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, toShell[1]);
        posix_spawn_file_actions_addclose(&actions, fromShell[0]);
        std::string program = "sqlite3", file = path;
        char* argv[] = {program.data(), file.data(), nullptr};
        pid_t shell = -1;
        ASSERT_EQ(posix_spawnp(&shell, "sqlite3", &actions, nullptr, argv, environ), 0);
        posix_spawn_file_actions_destroy(&actions);
        ::close(toShell[0]);
        ::close(fromShell[1]);
        const std::string hold = "BEGIN IMMEDIATE;\nSELECT 'held';\n";
        ASSERT_EQ(::write(toShell[1], hold.data(), hold.size()), static_cast<ssize_t>(hold.size()));
        char said[8] = {};
        ASSERT_GT(::read(fromShell[0], said, sizeof said - 1), 0);
        ASSERT_EQ(std::string(said).substr(0, 4), "held");

        expectOnlyStoreCallsWait(served, "while-held");

        const std::string release = "COMMIT;\n.quit\n";
        EXPECT_EQ(::write(toShell[1], release.data(), release.size()),
                  static_cast<ssize_t>(release.size()));
        ::close(toShell[1]);
        ::close(fromShell[0]);
        ::waitpid(shell, nullptr, 0);
        EXPECT_TRUE(served.reaches("/healthz", 200));
        // Longer than the upload's deadline again: a late write would have landed by now.
        std::this_thread::sleep_for(std::chrono::milliseconds(2 * shortDeadlines().writeMs));
        EXPECT_EQ(served.status(std::string(kScript) + "?myname=B&myscore=6"), 200);
        EXPECT_EQ(served.get(kScript)->body, ";B,6;A,5");
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    sqlite3_stmt* count = nullptr;
    ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT count(*) FROM scores", -1, &count, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_step(count), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(count, 0), 2);
    sqlite3_finalize(count);
    sqlite3_close(db);
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

// Three pages in the middle of a file overwritten: the server says so and exits with 1, and the
// file is exactly as it was.
TEST(StoreOutageTest, ADamagedSqliteFileIsRefusedAtStartAndLeftUntouched) {
    constexpr size_t kPage = 4096;  // SQLite's default page size
    const std::string directory = makeTempDirectory("store_outage_damaged");
    const std::string path = directory + "scores.sqlite";
    {
        auto store = openScoreStore(path);
        ASSERT_TRUE(store->ok()) << store->error();
        for (int i = 0; i < 2000; ++i)
            ASSERT_TRUE(store->record("NAME" + std::to_string(i % 1000), i));
    }
    const auto contents = [&] {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    std::string bytes = contents();
    ASSERT_GT(bytes.size(), 12 * kPage);
    for (size_t page : {4, 7, 10}) bytes.replace(page * kPage, kPage, kPage, '\x5A');
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;

    const std::string command =
        std::string(SCORESERVER_PATH) + " --listen 127.0.0.1:0 --db " + path + " 2>&1";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string said;
    char buffer[256];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) said += buffer;
    const int status = ::pclose(pipe);
    ASSERT_TRUE(WIFEXITED(status)) << said;
    EXPECT_EQ(WEXITSTATUS(status), 1) << said;
    EXPECT_NE(said.find("damaged"), std::string::npos) << said;
    EXPECT_EQ(said.find("listening"), std::string::npos) << said;
    EXPECT_TRUE(contents() == bytes);
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}
