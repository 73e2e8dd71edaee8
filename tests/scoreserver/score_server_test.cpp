// The score server over HTTP: validation, ordering, concurrent clients, and the real process
// surviving a kill and stopping cleanly.
#include "server/score_server.h"
#include "in_process_server.h"
#include "server/sqlite_store.h"
#include "tests/support/port_line.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kOutputWaitMs = 10000;  // for the real server's first line
constexpr int kExitPolls = 1000;      // 10 ms each

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

// The real scoreserver executable, its port read from its first line of output.
// `extra` arguments follow the usual ones; `tmpdir`, when given, is its TMPDIR.
class ServerProcess {
  public:
    explicit ServerProcess(const std::string& database, std::vector<std::string> extra = {},
                           const std::string& tmpdir = {}) {
        int pipeFds[2];
        if (::pipe(pipeFds) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
        posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
        // These cases upload plain scores, listed as such.
        std::vector<std::string> args{SCORESERVER_PATH, "--listen", "127.0.0.1:0",
                                      "--db",           database,   "--accept-unproven"};
        args.insert(args.end(), extra.begin(), extra.end());
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::vector<std::string> variables;
        for (char** v = environ; *v != nullptr; ++v)
            if (std::string(*v).rfind("TMPDIR=", 0) != 0 || tmpdir.empty()) variables.push_back(*v);
        if (!tmpdir.empty()) variables.push_back("TMPDIR=" + tmpdir);
        std::vector<char*> envp;
        for (std::string& variable : variables) envp.push_back(variable.data());
        envp.push_back(nullptr);
        if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (pid > 0) port = readAnnouncedPort(pipeFds[0], kOutputWaitMs);
        ::close(pipeFds[0]);
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
    EXPECT_EQ(statusOf(client, "?myname=+++&myscore=5"), 400);          // blank
    EXPECT_EQ(statusOf(client, "?myname=%E2%80%8B&myscore=5"), 400);    // zero-width
    EXPECT_EQ(statusOf(client, "?myname=%E2%80%AEAB&myscore=5"), 400);  // turned around
    EXPECT_EQ(statusOf(client, "?myname=A%FF&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=4294967296"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=-1"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore="), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB"), 400);
    EXPECT_EQ(statusOf(client, "?myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=5&extra=1"), 400);
    EXPECT_EQ(statusOf(client, "?myname=AB&myname=CD&myscore=5"), 400);
    EXPECT_EQ(statusOf(client, "?"), 400);
    for (const char* malformed :
         {"?myname=%ZZ&myscore=5", "?myname=A%&myscore=5", "?myname=%4&myscore=5",
          "?myname=A=B&myscore=5", "?myname=AB&myscore=5=5", "?myname=AB&&myscore=5",
          "?myname=AB&myscore=5&", "?myname&myscore=5", "?my%ZZname=AB&myscore=5"})
        EXPECT_EQ(statusOf(client, malformed), 400) << malformed;
    EXPECT_EQ(statusOf(client, "?myname=A+B&myscore=3"), 200);  // '+' is a space
    httplib::Headers many;
    for (int i = 0; i < 65; ++i) many.emplace("X-" + std::to_string(i), "1");
    EXPECT_EQ(client.Get(std::string(kPath) + "?myname=H&myscore=9", many)->status, 431);
    EXPECT_EQ(statusOf(client, "?myname=AB&myscore=5&pad=" + std::string(600, 'x')), 414);
    EXPECT_EQ(client.Get("/Vextorium2/other.php")->status, 404);

    EXPECT_EQ(list(client), ";Zo\xC3\xAB,4294967295;AB,1234;A B,3;Z,0");

    SqliteScoreStore otherStore(server.directory + "other.sqlite");
    ScoreServer other(otherStore);
    EXPECT_EQ(other.bind("127.0.0.1", server.port), -1);  // one server per port
}

// Sends `text` from 127.0.0.`host`: true when the server answers 200, false when it closes
// without an answer (or says nothing within 5 s). The socket is left open in `kept`.
bool answeredFrom(int host, int port, const std::string& text, int& kept) {
    kept = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in local{}, remote{};
    local.sin_family = remote.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl((127u << 24) | static_cast<unsigned>(host));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    remote.sin_port = htons(static_cast<uint16_t>(port));
    std::string reply;
    if (::bind(kept, reinterpret_cast<sockaddr*>(&local), sizeof local) == 0 &&
        ::connect(kept, reinterpret_cast<sockaddr*>(&remote), sizeof remote) == 0 &&
        ::send(kept, text.data(), text.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(text.size())) {
        pollfd waiting{kept, POLLIN, 0};
        char buffer[64];
        if (::poll(&waiting, 1, 5000) > 0) {
            const ssize_t n = ::recv(kept, buffer, sizeof buffer, 0);
            if (n > 0) reply.assign(buffer, static_cast<size_t>(n));
        }
    }
    return reply.rfind("HTTP/1.1 200", 0) == 0;
}

TEST(ScoreServerTest, CapsConnectionsPerClientAddress) {
    ServerLimits limits;
    limits.maxPerAddress = 2;
    InProcessServer server(limits);
    const std::string request = std::string("GET ") + kPath + " HTTP/1.1\r\nHost: x\r\n\r\n";
    int kept[4];
    EXPECT_TRUE(answeredFrom(1, server.port, request, kept[0]));  // kept alive
    EXPECT_TRUE(answeredFrom(1, server.port, request, kept[1]));
    EXPECT_FALSE(answeredFrom(1, server.port, request, kept[2]));  // a third is refused
    EXPECT_TRUE(answeredFrom(2, server.port, request, kept[3]));   // another address is served
    for (int fd : kept) ::close(fd);
}

// A thousand clients reconnecting together must all find room in the listen queue: with a short
// one the kernel drops handshakes and every client, readers of /scores too, waits a second or
// more. The queue's length of a listening socket is what `ss` shows as its Send-Q.
TEST(ScoreServerTest, TheListenQueueTakesABurstOfAThousandConnections) {
    InProcessServer server;
    const std::string command =
        "ss -ltnH 'sport = :" + std::to_string(server.port) + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    char line[512] = {};
    const bool read = std::fgets(line, sizeof line, pipe) != nullptr;
    ::pclose(pipe);
    ASSERT_TRUE(read) << "ss listed no socket on port " << server.port;
    std::string state;
    long queued = -1, queue = -1;
    std::istringstream(line) >> state >> queued >> queue;
    long systemMax = 0;
    std::ifstream("/proc/sys/net/core/somaxconn") >> systemMax;
    EXPECT_GE(queue, std::min(systemMax, 1000L)) << line;
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

TEST(ScoreServerTest, AReusedUploadIdIsAnsweredByWhatItWasFirstSentWith) {
    InProcessServer server;
    auto client = server.client();
    EXPECT_EQ(statusOf(client, "?myname=A&myscore=5&myid=first"), 200);
    EXPECT_EQ(statusOf(client, "?myname=A&myscore=5&myid=first"), 200);  // a retry
    EXPECT_EQ(statusOf(client, "?myname=B&myscore=5&myid=first"), 409);
    EXPECT_EQ(statusOf(client, "?myname=A&myscore=6&myid=first"), 409);
    EXPECT_EQ(list(client), ";A,5");
}

// With the bound at its least, the list's own length, uploads beyond it are trimmed in the
// background down to exactly the best 100, which stay listed.
TEST(ScoreServerTest, RowsBeyondTheBoundAreTrimmedAndTheListStaysWhole) {
    StoreLimits storeLimits;
    storeLimits.keep = 100;
    InProcessServer server({}, nullptr, storeLimits);
    auto client = server.client();
    // Scores 1..130 in a scattered order: the first 100 straight into the store, the last 30
    // uploaded (which is what sets the trim going).
    for (int i = 0; i < 130; ++i) {
        const int score = 1 + i * 37 % 130;
        if (i < 100)
            ASSERT_TRUE(server.store.record("K", score));
        else
            ASSERT_EQ(statusOf(client, "?myname=K&myscore=" + std::to_string(score)), 200);
    }
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open((server.directory + "scores.sqlite").c_str(), &db), SQLITE_OK);
    sqlite3_busy_timeout(db, 1000);
    int rows = -1;
    for (int poll = 0; poll < 200 && rows != 100; ++poll) {
        sqlite3_stmt* count = nullptr;
        sqlite3_prepare_v2(db, "SELECT count(*) FROM scores", -1, &count, nullptr);
        if (sqlite3_step(count) == SQLITE_ROW) rows = sqlite3_column_int(count, 0);
        sqlite3_finalize(count);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    sqlite3_close(db);
    EXPECT_EQ(rows, 100);
    std::string expected;
    for (int score = 130; score > 30; --score) expected += ";K," + std::to_string(score);
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
    const std::string directory = makeTempDirectory("scoreserver_test");
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
        // A client in the middle of a request does not hold the stop up.
        const int slow = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(static_cast<uint16_t>(process.port));
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(::connect(slow, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        ASSERT_EQ(::send(slow, "GET /Vextorium2/", 16, 0), 16);
        const int status = process.stopWith(SIGTERM);
        ::close(slow);
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

// A verifier that never ends: it says where it plays (in its --scratch directory, or else in
// one under TMPDIR, as the replay runner makes its own), then sleeps.
std::string writeEndlessVerifier(const std::string& directory) {
    const std::string path = directory + "verifier";
    std::ofstream script(path);
    script << "#!/bin/sh\n"
              "dir=\"$TMPDIR/vextorium2-verify-$$\"\n"
              "while [ $# -gt 0 ]; do [ \"$1\" = --scratch ] && dir=\"$2\"; shift; done\n"
              "mkdir -p \"$dir\" && echo levels > \"$dir/BrickMap.dat\"\n"
              "echo $$ > "
           << directory << "pid.part && mv " << directory << "pid.part " << directory
           << "pid\n"
              "exec sleep 3600\n";
    script.close();
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return path;
}

// The verifier's process id once it is running (0 if it did not start within ten seconds).
pid_t runningVerifier(const std::string& directory) {
    for (int i = 0; i < kExitPolls; ++i) {
        std::ifstream file(directory + "pid");
        pid_t pid = 0;
        if (file >> pid) return pid;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return 0;
}

// Whether the process has ended (a zombie has too), waiting up to ten seconds for it.
bool ended(pid_t pid) {
    for (int i = 0; i < kExitPolls; ++i) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string pidField, command, state;
        if (!(stat >> pidField >> command >> state) || state == "Z") return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
}

// A stop waits for no verification: SIGTERM kills the verifiers at work and their uploads are
// answered 503 with Retry-After (the game sends them again); a server killed outright takes
// its verifiers with it; and no verification, ended at its deadline or by the stop, leaves
// anything in the temporary directory.
TEST(ScoreServerTest, VerifiersEndWithTheServerAndLeaveNothingBehind) {
    const std::string directory = makeTempDirectory("scoreserver_stop");
    const std::string tmp = directory + "tmp";
    ASSERT_TRUE(std::filesystem::create_directory(tmp));
    const std::string verifier = writeEndlessVerifier(directory);
    const auto nothingLeft = [&] { return std::filesystem::is_empty(tmp); };
    struct Upload {
        std::thread thread;
        int status = 0;
        std::string retryAfter, body;
    };
    // Posts a record and sends the upload that names it from a thread of its own.
    const auto startUpload = [](int port, Upload& upload) {
        httplib::Client client("127.0.0.1", port);
        const auto posted = client.Post("/Vextorium2/proof", "record", "application/octet-stream");
        const std::string id = posted && posted->status == 200 ? posted->body.substr(0, 64) : "";
        upload.thread = std::thread([port, id, &upload] {
            httplib::Client waiting("127.0.0.1", port);
            waiting.set_read_timeout(3600);
            const auto result =
                waiting.Get(std::string(kPath) + "?myname=P&myscore=1&myproof=" + id);
            upload.status = result ? result->status : -1;
            if (result) upload.retryAfter = result->get_header_value("Retry-After");
            if (result) upload.body = result->body;
        });
    };
    {
        ServerProcess process(directory + "a.sqlite",
                              {"--verifier", verifier, "--verify-seconds", "1"}, tmp);
        ASSERT_GT(process.port, 0);
        Upload late;
        startUpload(process.port, late);
        late.thread.join();
        EXPECT_EQ(late.status, 503);
        EXPECT_EQ(late.body, "not checked: the verification took too long\n");
        EXPECT_TRUE(nothingLeft()) << "after a verifier was killed at its deadline";
    }
    {
        std::filesystem::remove(directory + "pid");
        ServerProcess process(directory + "b.sqlite", {"--verifier", verifier}, tmp);
        ASSERT_GT(process.port, 0);
        Upload stopped;
        startUpload(process.port, stopped);
        const pid_t running = runningVerifier(directory);
        ASSERT_GT(running, 0);
        const int status = process.stopWith(SIGTERM);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        stopped.thread.join();
        EXPECT_EQ(stopped.status, 503);
        EXPECT_FALSE(stopped.retryAfter.empty());
        EXPECT_TRUE(ended(running));
        EXPECT_TRUE(nothingLeft()) << "after the stop";
    }
    {
        std::filesystem::remove(directory + "pid");
        ServerProcess process(directory + "c.sqlite", {"--verifier", verifier}, tmp);
        ASSERT_GT(process.port, 0);
        Upload killed;
        startUpload(process.port, killed);
        const pid_t running = runningVerifier(directory);
        ASSERT_GT(running, 0);
        EXPECT_TRUE(WIFSIGNALED(process.stopWith(SIGKILL)));
        EXPECT_TRUE(ended(running)) << "an orphaned verifier";
        killed.thread.join();
        if (!ended(running)) ::kill(running, SIGKILL);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
}

TEST(ScoreServerTest, CommandLineHelpVersionAndUsageErrors) {
    const auto run = [](const std::string& args, std::string& out) {
        FILE* pipe = ::popen((std::string(SCORESERVER_PATH) + " " + args + " 2>&1").c_str(), "r");
        if (pipe == nullptr) return -1;
        char buffer[256];
        out.clear();
        while (std::fgets(buffer, sizeof buffer, pipe) != nullptr) out += buffer;
        const int status = ::pclose(pipe);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    };
    std::string out;
    EXPECT_EQ(run("--help", out), 0);
    for (const char* option :
         {"--max-target", "--max-header-bytes", "--max-headers", "--request-timeout",
          "--idle-timeout", "--max-connections", "--max-per-address", "--threads", "--web",
          "--read-deadline", "--write-deadline", "--stale-seconds", "--keep", "--store-threads",
          "--store-queue", "--trusted-proxy", "--upload-rate", "--upload-burst"})
        EXPECT_NE(out.find(option), std::string::npos) << option;
    EXPECT_EQ(run("--version", out), 0);
    EXPECT_EQ(out.rfind("scoreserver ", 0), 0u);
    EXPECT_EQ(run("--bogus", out), 2);
    EXPECT_NE(out.find("usage"), std::string::npos);
    EXPECT_EQ(run("--threads 0", out), 2);
    EXPECT_EQ(run("--idle-timeout", out), 2);
    EXPECT_EQ(run("--max-connections 12x", out), 2);
    EXPECT_EQ(run("--keep 99", out), 2);  // fewer rows than the list shows
    EXPECT_EQ(run("--trusted-proxy 10.0.0.0/33", out), 2);
    EXPECT_EQ(run("--trusted-proxy proxy.example", out), 2);
    EXPECT_EQ(run("--upload-rate -1", out), 2);
    EXPECT_EQ(run("--upload-burst 0", out), 2);
}
