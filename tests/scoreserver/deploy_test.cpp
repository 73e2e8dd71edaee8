// The game's online exchange against real score servers sharing one PostgreSQL database:
// uploaded through one process and listed by another, and through the nginx front of deploy/.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>
#include <thread>

#include "../scores/temp_directory.h"
#include "../support/bmp_builder.h"
#include "made_game.h"
#include "platform/bitmap.h"
#include "platform/headless/headless.h"
#include "raw_http.h"
#include "scores/score_table.h"
#include "temp_postgres.h"
#include "test_processes.h"

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kScoreScreenResource = 118;
constexpr int kRapidRequests = 200;  // beyond the front's burst of 120

struct NewScore {
    std::u16string name;
    uint32_t score;
    std::string proof = {};  // the record of the game that made it
};

// A game in a program directory of its own adds `scores` to its table and synchronizes through
// 127.0.0.1:port; its first `shown` entries, "NAME:SCORE " each.
std::string syncGame(int port, const std::vector<NewScore>& scores, int shown) {
    TempDirectory programDirectory;
    ::setenv("VEXTORIUM2_SCORE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    ScoreTable table;
    for (const NewScore& score : scores) table.insert(score.name, score.score, score.proof);
    table.synchronize();
    std::string text;
    for (int i = 0; i < shown; ++i) {
        const std::u16string name(table.entry(i).name);
        text += std::string(name.begin(), name.end()) + ":" + std::to_string(table.entry(i).score) +
                " ";
    }
    return text;
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
    for (size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size()))
        text.replace(at, from.size(), to);
    return text;
}

std::string findNginx() {
    if (::access("/usr/sbin/nginx", X_OK) == 0) return "/usr/sbin/nginx";
    return "nginx";  // from the PATH
}

class ScoreServerDeployTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::headless::reset();
        std::vector<testing_support::Rgb> plain(176 * 220, {0, 0, 0});
        platform::addResource(kScoreScreenResource, testing_support::makeBmp24(176, 220, plain));
        database = sharedPostgres().createDatabase();
        ASSERT_FALSE(database.empty()) << sharedPostgres().error;  // fails, never skips
        directory = makeTempDirectory("scores_deploy");
        ASSERT_FALSE(directory.empty());
        // A stand-in for the web game: its page and its offline worker's script.
        std::filesystem::create_directory(directory + "web");
        std::ofstream(directory + "web/index.html") << "<!doctype html><title>Vextorium2</title>\n";
        std::ofstream(directory + "web/sw.js") << "'use strict';\n";
    }
    void TearDown() override {
        nginx.reset();
        if (HasFailure()) {  // what the servers said
            for (const char* log : {"first.log", "second.log", "nginx.log", "error.log"}) {
                std::ifstream file(directory + log);
                if (file) std::cerr << "--- " << log << ":\n" << file.rdbuf() << '\n';
            }
        }
        std::error_code ignored;
        std::filesystem::remove_all(directory, ignored);
    }

    std::unique_ptr<Daemon> startServer(const std::string& name,
                                        const std::vector<std::string>& options = {}) {
        std::vector<std::string> command{SCORESERVER_PATH, "--listen", "127.0.0.1:0",    "--db",
                                         database,         "--web",    directory + "web"};
        // Most games here send plain scores (no record of their own): listed as unproven.
        if (plainListed) command.push_back("--accept-unproven");
        command.insert(command.end(), options.begin(), options.end());
        auto server =
            std::make_unique<Daemon>(command, directory + name + ".log", Daemon::Output::PortLine);
        EXPECT_GT(server->port, 0) << name;
        return server;
    }

    // nginx with the deployment example as shipped, on a free loopback port and in front of the
    // two servers, with its files in the test's directory; 0 when it did not start.
    // The example as shipped, on loopback ports: plain HTTP on the port returned, HTTPS on
    // `secureFront` with a throw-away certificate for 127.0.0.1 (`certificate`).
    int startFront(int firstPort, int secondPort) {
        const int front = freeLoopbackPort();
        secureFront = freeLoopbackPort();
        std::ifstream example(std::string(DEPLOY_DIR) + "/nginx/vextorium2-scores.conf");
        std::stringstream site;
        site << example.rdbuf();
        EXPECT_NE(site.str().find("listen 80;"), std::string::npos);
        EXPECT_NE(site.str().find("listen 443 ssl http2;"), std::string::npos);
        std::string conf =
            replaceAll(site.str(), "listen 80;", "listen 127.0.0.1:" + std::to_string(front) + ";");
        conf = replaceAll(conf, "listen 443 ssl http2;",
                          "listen 127.0.0.1:" + std::to_string(secureFront) + " ssl http2;");
        certificate = directory + "certificate.pem";
        const std::string key = directory + "key.pem";
        // Made as the user nginx runs as, who must read the key.
        EXPECT_TRUE(runCommand(
            asUnprivileged({"openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days",
                            "1", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1",
                            "-keyout", key, "-out", certificate}),
            directory + "openssl.log"));
        conf = replaceAll(conf, "/etc/ssl/vextorium2/fullchain.pem", certificate);
        conf = replaceAll(conf, "/etc/ssl/vextorium2/privkey.pem", key);
        conf = replaceAll(conf, "127.0.0.1:8642", "127.0.0.1:" + std::to_string(firstPort));
        conf = replaceAll(conf, "127.0.0.1:8643", "127.0.0.1:" + std::to_string(secondPort));
        std::ofstream(directory + "site.conf") << conf;
        std::ofstream(directory + "nginx.conf")
            << "daemon off;\nmaster_process off;\nworker_processes 1;\n"
            << "worker_rlimit_nofile 8192;\n"
            << "pid " << directory << "nginx.pid;\n"
            << "error_log " << directory << "error.log warn;\n"
            << "events { worker_connections 4096; }\n"
            << "http {\n  access_log " << directory << "access.log;\n"
            << "  client_body_temp_path " << directory << "body;\n"
            << "  proxy_temp_path " << directory << "proxy;\n"
            << "  fastcgi_temp_path " << directory << "fastcgi;\n"
            << "  uwsgi_temp_path " << directory << "uwsgi;\n"
            << "  scgi_temp_path " << directory << "scgi;\n"
            << "  include " << directory << "site.conf;\n}\n";
        nginx = std::make_unique<Daemon>(
            std::vector<std::string>{findNginx(), "-e", directory + "error.log", "-p", directory,
                                     "-c", directory + "nginx.conf"},
            directory + "nginx.log", Daemon::Output::ToLog, true);
        return front > 0 && secureFront > 0 && waitForPort(front) && waitForPort(secureFront)
                   ? front
                   : 0;
    }

    bool plainListed = true;
    std::string database;
    std::string directory;
    std::unique_ptr<Daemon> nginx;
    int secureFront = 0;
    std::string certificate;
};

}  // namespace

TEST_F(ScoreServerDeployTest, TwoServersOnOneDatabaseShowOneTable) {
    auto first = startServer("first");
    auto second = startServer("second");
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);
    EXPECT_EQ(syncGame(first->port, {{u"ANNA", 12000}, {u"BOB", 11000}}, 2),
              "ANNA:12000 BOB:11000 ");
    // Another player's game, through the other server: its upload joins the first two.
    EXPECT_EQ(syncGame(second->port, {{u"CARL", 11500}}, 3), "ANNA:12000 CARL:11500 BOB:11000 ");
    // The first server, which listed the table before, shows that upload too, as soon as the
    // database's notice of it has reached the first (at once, unless the machine is loaded).
    std::string shown;
    for (int attempt = 0; attempt < 50 && shown != "ANNA:12000 CARL:11500 BOB:11000 "; ++attempt) {
        if (attempt > 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        shown = syncGame(first->port, {}, 3);
    }
    EXPECT_EQ(shown, "ANNA:12000 CARL:11500 BOB:11000 ");
}

// The game's own exchange with proofs, through the front of two servers on one database that
// list proven scores only (the record and the upload naming it may reach different servers): a
// real game's score is proven and listed by both; the same record sent by another player
// through one server is refused, and a plain score is not listed.
TEST_F(ScoreServerDeployTest, TheGamesProvenScoreIsListedAndItsRecordTakenOnce) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    plainListed = false;
    auto first = startServer("first");
    auto second = startServer("second");
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);
    const int front = startFront(first->port, second->port);
    ASSERT_GT(front, 0);
    const std::string ace = "ACE:" + std::to_string(game.score) + " ";
    EXPECT_EQ(syncGame(front, {{u"ACE", game.score, game.record}, {u"PLAIN", 5}}, 1), ace);
    EXPECT_EQ(syncGame(second->port, {{u"THIEF", game.score + 1, game.record}}, 2),
              "THIEF:" + std::to_string(game.score + 1) + " " + ace)
        << "refused, the score stays in the player's own table only";
    httplib::Client client("127.0.0.1", second->port);
    const auto listed = client.Get(kPath);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->body, ";ACE," + std::to_string(game.score));
    const auto json = client.Get("/scores.json");
    ASSERT_TRUE(json);
    EXPECT_NE(json->body.find("\"proven\":true,\"replay\":\"/replays/"), std::string::npos);
    EXPECT_NE(json->body.find("\"sessions\":1,\"pace\":100}"), std::string::npos) << json->body;
    const auto oneSitting = client.Get("/scores.json?sessions=1");
    ASSERT_TRUE(oneSitting);
    EXPECT_EQ(oneSitting->body, json->body) << "played in one sitting";
    httplib::Client other("127.0.0.1", first->port);
    const auto firstList = other.Get(kPath);
    ASSERT_TRUE(firstList);
    EXPECT_EQ(firstList->body, listed->body);
}

// Records are held in the database: a record POSTed to one server is found by an upload that
// reaches the other, also once the first has stopped. The front takes a record as long as the
// step limit allows (a long game's is past 64 KiB).
TEST_F(ScoreServerDeployTest, ARecordPostedToOneServerIsProvenByAnother) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    plainListed = false;
    auto first = startServer("first");
    auto second = startServer("second");
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);
    const int front = startFront(first->port, second->port);
    ASSERT_GT(front, 0);
    httplib::Client frontClient("127.0.0.1", front);
    const auto longRecord =
        frontClient.Post("/Vextorium2/proof", std::string(80000, 'x'), "application/octet-stream");
    ASSERT_TRUE(longRecord);
    EXPECT_EQ(longRecord->status, 200);

    httplib::Client one("127.0.0.1", first->port);
    const auto posted = one.Post("/Vextorium2/proof", game.record, "application/octet-stream");
    ASSERT_TRUE(posted);
    ASSERT_EQ(posted->status, 200);
    const std::string id = posted->body.substr(0, 64);
    EXPECT_EQ(first->stop(), 0);
    httplib::Client two("127.0.0.1", second->port);
    const std::string score = std::to_string(game.score);
    const auto uploaded =
        two.Get(std::string(kPath) + "?myname=FAR&myscore=" + score + "&myid=far&myproof=" + id);
    ASSERT_TRUE(uploaded);
    EXPECT_EQ(uploaded->status, 200);
    EXPECT_EQ(uploaded->body, "recorded\n");
    const auto listed = two.Get(kPath);
    ASSERT_TRUE(listed);
    EXPECT_EQ(listed->body, ";FAR," + score);
}

TEST_F(ScoreServerDeployTest, TheDeploymentExampleServesTheGameThroughNginx) {
    auto first = startServer("first");
    auto second = startServer("second");
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);

    const int front = startFront(first->port, second->port);
    ASSERT_GT(front, 0);

    EXPECT_EQ(syncGame(front, {{u"ANNA", 12000}}, 1), "ANNA:12000 ");
    // With one server stopped the other takes every request.
    EXPECT_EQ(first->stop(), 0);
    EXPECT_EQ(syncGame(front, {{u"BOB", 11000}}, 2), "ANNA:12000 BOB:11000 ");

    httplib::Client client("127.0.0.1", front);
    const auto tooLong = client.Get(std::string(kPath) + "?myname=" + std::string(2000, 'x'));
    ASSERT_TRUE(tooLong);
    EXPECT_EQ(tooLong->status, 414);
    const auto posted = client.Post(kPath, "myname=A&myscore=1", "text/plain");
    ASSERT_TRUE(posted);
    EXPECT_EQ(posted->status, 403);
    // Browsers are sent to HTTPS for the page (offline play needs it); there, checked against
    // the certificate, the page, its worker's script never kept stale, and the exchange.
    const auto page = client.Get("/");
    ASSERT_TRUE(page);
    EXPECT_EQ(page->status, 301);
    EXPECT_EQ(page->get_header_value("Location"), "https://127.0.0.1/");
    httplib::SSLClient secure("127.0.0.1", secureFront);
    secure.set_ca_cert_path(certificate.c_str());
    secure.enable_server_certificate_verification(true);
    const auto securePage = secure.Get("/");
    ASSERT_TRUE(securePage) << httplib::to_string(securePage.error());
    EXPECT_EQ(securePage->status, 200);
    EXPECT_NE(securePage->body.find("<title>Vextorium2</title>"), std::string::npos);
    const auto worker = secure.Get("/sw.js");
    ASSERT_TRUE(worker);
    EXPECT_EQ(worker->get_header_value("Content-Type"), "text/javascript; charset=utf-8");
    EXPECT_EQ(worker->get_header_value("Cache-Control"), "no-cache");
    const auto secureList = secure.Get(kPath);
    ASSERT_TRUE(secureList);
    EXPECT_EQ(secureList->body, ";ANNA,12000;BOB,11000");
    const auto leaderboard = secure.Get("/scores.json");
    ASSERT_TRUE(leaderboard);
    EXPECT_EQ(leaderboard->body,
              "[{\"rank\":1,\"name\":\"ANNA\",\"score\":12000,\"proven\":false,\"pace\":100},"
              "{\"rank\":2,\"name\":\"BOB\",\"score\":11000,\"proven\":false,\"pace\":100}]");
    int listed = 0, limited = 0;
    for (int i = 0; i < kRapidRequests; ++i) {
        const auto result = client.Get(kPath);
        if (result && result->status == 200 && result->body == ";ANNA,12000;BOB,11000") ++listed;
        if (result && result->status == 429) ++limited;
    }
    EXPECT_GT(listed, 0);
    EXPECT_GT(limited, 0);
    EXPECT_EQ(listed + limited, kRapidRequests);
}

// Many players behind the front, each on an address of its own: the servers, trusting the
// front, count each player as itself, so neither a per-client cap far below their number nor
// the upload rate refuses any of them, while one player's forged X-Forwarded-For names no one.
TEST_F(ScoreServerDeployTest, EveryPlayerBehindTheFrontIsCountedAsItself) {
    constexpr int kPlayers = 400;
    constexpr int kRounds = 5;        // an upload and the list each
    constexpr int kPerHundred = 200;  // players on each 127.0.X.0/24
    const std::vector<std::string> options{
        "--trusted-proxy", "127.0.0.1", "--max-per-address", "16",
        "--upload-burst",  "20",        "--upload-rate",     "0.01"};
    auto first = startServer("first", options);
    auto second = startServer("second", options);
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);
    const int front = startFront(first->port, second->port);
    ASSERT_GT(front, 0);

    std::atomic<bool> go{false};
    std::atomic<int> answered{0};
    std::vector<std::string> failures(kPlayers);
    std::vector<std::thread> players;
    for (int p = 0; p < kPlayers; ++p) {
        players.emplace_back([&, p] {
            const uint32_t address = (127u << 24) |
                                     static_cast<uint32_t>((2 + p / kPerHundred) << 8) |
                                     static_cast<uint32_t>(1 + p % kPerHundred);
            while (!go) std::this_thread::yield();
            const int fd = raw_http::connectFrom(address, front);
            for (int r = 0; r < kRounds && fd >= 0; ++r) {
                const std::string id = std::to_string(p) + "x" + std::to_string(r);
                for (const std::string& query : {"?myname=P" + std::to_string(p) + "&myscore=" +
                                                     std::to_string(r) + "&myid=" + id,
                                                 std::string()}) {
                    const int status = raw_http::roundTrip(
                        fd, std::string("GET ") + kPath + query + " HTTP/1.1\r\nHost: x\r\n\r\n");
                    if (status == 200)
                        ++answered;
                    else
                        failures[static_cast<size_t>(p)] += " " + std::to_string(status);
                }
            }
            if (fd >= 0) ::close(fd);
        });
    }
    go = true;
    for (auto& t : players) t.join();
    std::string errors;
    for (int p = 0; p < kPlayers; ++p)
        if (!failures[static_cast<size_t>(p)].empty())
            errors += " P" + std::to_string(p) + ":" + failures[static_cast<size_t>(p)];
    EXPECT_EQ(answered, kPlayers * kRounds * 2) << errors.substr(0, 2000);

    // A player writing a new X-Forwarded-For each time is still one client: the front adds its
    // true address last. Each server grants it its burst of 20 and no more (the front's own
    // limit allows 120), so of 44 uploads the first 20 pass and at least 4 are refused.
    const int fd = raw_http::connectFrom(0x7F000901, front);  // 127.0.9.1
    int refused = 0;
    std::string others;
    for (int i = 0; i < 44; ++i) {
        const int status = raw_http::roundTrip(
            fd, std::string("GET ") + kPath + "?myname=F&myscore=" + std::to_string(i) +
                    " HTTP/1.1\r\nHost: x\r\nX-Forwarded-For: 10.1." + std::to_string(i) +
                    ".1\r\nX-Real-IP: 10.2." + std::to_string(i) + ".1\r\n\r\n");
        if (status == 429 && i >= 20)
            ++refused;
        else if (status != 200)
            others += std::to_string(i) + ":" + std::to_string(status) + " ";
    }
    if (fd >= 0) ::close(fd);
    EXPECT_GE(refused, 4);
    EXPECT_EQ(others, "");
}

// Level sets live in the shared store: a set published through one server is listed and served
// by the other, the bound on sets holds across both, and the operator's hiding takes it off both.
TEST_F(ScoreServerDeployTest, LevelSetsAreSharedBoundedAndHiddenAcrossServers) {
    auto first = startServer("first", {"--max-sets", "1"});
    auto second = startServer("second", {"--max-sets", "1"});
    ASSERT_GT(first->port, 0);
    ASSERT_GT(second->port, 0);
    // The smallest sets: one stone brick on each level, in the first cell or the second.
    const auto setWithBrickAt = [](size_t cell) {
        std::string set(2112, '\0');
        for (size_t level = 0; level < 3; ++level) set[4 * (level * 16 * 11 + cell)] = 10;
        return set;
    };
    const std::string set = setWithBrickAt(0);
    httplib::Client one("127.0.0.1", first->port);
    httplib::Client two("127.0.0.1", second->port);
    const auto published = one.Post("/sets?name=ONE", set, "application/octet-stream");
    ASSERT_TRUE(published && published->status == 200);
    const std::string id = published->body.substr(0, published->body.find('\n'));
    ASSERT_EQ(id.size(), 64u) << published->body;

    const auto listed = two.Get("/sets.json");
    ASSERT_TRUE(listed && listed->status == 200);
    EXPECT_NE(listed->body.find("\"" + id + "\""), std::string::npos) << listed->body;
    const auto served = two.Get("/sets/" + id);
    ASSERT_TRUE(served && served->status == 200);
    EXPECT_EQ(served->body, set);
    const auto beyond = two.Post("/sets?name=TWO", setWithBrickAt(1), "application/octet-stream");
    ASSERT_TRUE(beyond);
    EXPECT_EQ(beyond->status, 507) << "one set at most, counted over both servers";

    EXPECT_TRUE(
        runCommand({SCORESERVER_PATH, "--hide-set", id, "--db", database}, directory + "hide.log"));
    for (httplib::Client* client : {&one, &two}) {
        const auto gone = client->Get("/sets/" + id);
        ASSERT_TRUE(gone);
        EXPECT_EQ(gone->status, 404);
        const auto none = client->Get("/sets.json");
        ASSERT_TRUE(none && none->status == 200);
        EXPECT_EQ(none->body.find(id), std::string::npos) << none->body;
    }
}
