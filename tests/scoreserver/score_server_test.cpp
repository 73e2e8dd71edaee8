// The score server over HTTP: validation, ordering, concurrent clients, and the real process
// surviving a kill and stopping cleanly.
#include "tools/scoreserver/score_server.h"
#include "tools/scoreserver/sqlite_store.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

extern char** environ;

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kStartPolls = 5000;     // 1 ms each
constexpr int kOutputWaitMs = 10000;  // for the real server's first line
constexpr int kExitPolls = 1000;      // 10 ms each

std::string makeTempDirectory() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "scoreserver_testXXXXXX").string();
    return ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string();
}

std::string upload(httplib::Client& client, const std::string& query, int* status = nullptr) {
    auto result = client.Get(std::string(kPath) + query);
    if (status != nullptr) *status = result ? result->status : -1;
    return result ? result->body : std::string("<no answer>");
}

int statusOf(httplib::Client& client, const std::string& query) {
    int status = 0;
    upload(client, query, &status);
    return status;
}

std::string list(httplib::Client& client) {
    return upload(client, "");
}

// A server on a free port of 127.0.0.1 over a database in a fresh directory.
class InProcessServer {
  public:
    InProcessServer()
        : directory(makeTempDirectory()), store(directory + "scores.sqlite"), server(store) {
        port = server.bind("127.0.0.1", 0);
        thread = std::thread([this] { server.run(); });
        for (int i = 0; i < kStartPolls && !server.running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ~InProcessServer() {
        server.stop();
        thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }
    httplib::Client client() const { return httplib::Client("127.0.0.1", port); }

    std::string directory;
    SqliteScoreStore store;
    ScoreServer server;
    std::thread thread;
    int port = 0;
};

// The real scoreserver executable, its port read from its first line of output.
class ServerProcess {
  public:
    ServerProcess(const std::string& database) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        std::string program = SCORESERVER_PATH;
        std::string listen = "--listen", address = "127.0.0.1:0", db = "--db", file = database;
        char* argv[] = {program.data(), listen.data(), address.data(),
                        db.data(),      file.data(),   nullptr};
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        std::string line;
        pollfd waiting{pipeFds[0], POLLIN, 0};
        while (pid > 0 && line.find('\n') == std::string::npos &&
               ::poll(&waiting, 1, kOutputWaitMs) > 0) {
            char buffer[128];
            const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
            if (n <= 0) break;
            line.append(buffer, static_cast<size_t>(n));
        }
        ::close(pipeFds[0]);
        const size_t colon = line.rfind(':');
        if (colon != std::string::npos) port = std::atoi(line.c_str() + colon + 1);
    }
    ~ServerProcess() {
        if (pid > 0) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
    }
    // Sends the signal and returns the exit status (or -1 if it did not end in time).
    int stopWith(int signal) {
        ::kill(pid, signal);
        for (int i = 0; i < kExitPolls; ++i) {
            int status = 0;
            if (::waitpid(pid, &status, WNOHANG) == pid) {
                pid = -1;
                return status;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return -1;
    }

    pid_t pid = -1;
    int port = 0;
};

}  // namespace

TEST(ScoreServerTest, RecordsValidScoresAndRefusesEverythingElse) {
    InProcessServer server;
    auto client = server.client();
    EXPECT_EQ(list(client), "");
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=1234"), 200);
    EXPECT_EQ(statusOf(client, "?myname=Zo%C3%AB&myscore=4294967295"), 200);
    EXPECT_EQ(statusOf(client, "?myname=Z&myscore=0"), 200);

    EXPECT_EQ(statusOf(client, "?myname=&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=ABCDEFGHI&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=A%3BB&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=A%0AB&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=A%FF&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=4294967296"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=-1"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore="), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB"), 400);
    EXPECT_EQ(statusOf(client, "?myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=5&extra=1"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myname=CD&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=5&pad=" + std::string(600, 'x')), 414);
    EXPECT_EQ(client.Get("/Vextorium2/other.php")->status, 404);

    EXPECT_EQ(list(client), ";Zo\xC3\xAB,4294967295;AB,1234;Z,0");

    SqliteScoreStore otherStore(server.directory + "other.sqlite");
    ScoreServer other(otherStore);
    EXPECT_EQ(other.bind("127.0.0.1", server.port), -1);  // one server per port
}

TEST(ScoreServerTest, ListsTheBestHundredHighestFirstEarlierFirstOnTies) {
    InProcessServer server;
    auto client = server.client();
    EXPECT_EQ(statusOf(client, "?myname=A&myscore=5"), 200);
    EXPECT_EQ(statusOf(client, "?myname=B&myscore=7"), 200);
    EXPECT_EQ(statusOf(client, "?myname=C&myscore=7"), 200);
    EXPECT_EQ(statusOf(client, "?myname=D&myscore=3"), 200);
    EXPECT_EQ(list(client), ";B,7;C,7;A,5;D,3");

    // 120 more, 1000 to 1119: the list keeps the top 100, 1119 down to 1020.
    for (int i = 0; i < 120; ++i)
        statusOf(client, "?myname=P" + std::to_string(i) + "&myscore=" + std::to_string(1000 + i));
    std::string expected;
    for (int i = 119; i >= 20; --i)
        expected += ";P" + std::to_string(i) + "," + std::to_string(1000 + i);
    EXPECT_EQ(list(client), expected);
}

TEST(ScoreServerTest, ConcurrentClientsAllGetRecorded) {
    constexpr int kClients = 8;
    constexpr int kEach = 50;  // scores 1..400 in all
    InProcessServer server;
    std::vector<std::thread> clients;
    std::vector<int> failures(kClients, 0);
    for (int c = 0; c < kClients; ++c) {
        clients.emplace_back([&, c] {
            auto client = server.client();
            for (int i = 0; i < kEach; ++i) {
                const int score = 1 + c * kEach + i;
                if (statusOf(client, "?myname=C" + std::to_string(c) +
                                         "&myscore=" + std::to_string(score)) != 200)
                    ++failures[c];
                if (i % 10 == 0) list(client);  // reads mixed in with the writes
            }
        });
    }
    for (auto& t : clients) t.join();
    for (int c = 0; c < kClients; ++c) EXPECT_EQ(failures[c], 0) << c;
    // 400 down to 301: client 7 sent 351..400, client 6 sent 301..350.
    std::string expected;
    for (int score = 400; score > 300; --score)
        expected += ";C" + std::to_string((score - 1) / kEach) + "," + std::to_string(score);
    auto client = server.client();
    EXPECT_EQ(list(client), expected);
}

TEST(ScoreServerTest, TheProcessKeepsAnsweredScoresThroughAKillAndStopsCleanly) {
    const std::string directory = makeTempDirectory();
    const std::string database = directory + "scores.sqlite";
    {
        ServerProcess process(database);
        ASSERT_GT(process.port, 0);
        httplib::Client client("127.0.0.1", process.port);
        for (int i = 1; i <= 20; ++i)
            ASSERT_EQ(statusOf(client, "?myname=K&myscore=" + std::to_string(i)), 200);
        EXPECT_TRUE(WIFSIGNALED(process.stopWith(SIGKILL)));  // no chance to tidy up
    }
    {
        ServerProcess process(database);
        ASSERT_GT(process.port, 0);
        httplib::Client client("127.0.0.1", process.port);
        std::string expected;
        for (int i = 20; i >= 1; --i) expected += ";K," + std::to_string(i);
        EXPECT_EQ(list(client), expected);
        const int status = process.stopWith(SIGTERM);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    {
        ServerProcess process(database);  // and once more after the clean stop, by SIGINT
        ASSERT_GT(process.port, 0);
        httplib::Client client("127.0.0.1", process.port);
        EXPECT_EQ(list(client).substr(0, 6), ";K,20;");
        const int status = process.stopWith(SIGINT);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}
