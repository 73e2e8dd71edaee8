// ScoreTable::synchronize against score servers that misbehave: connections dropped, uploads
// stalled and answered late, a list trickled byte by byte, names refused, a server failing.
// Each server is a plain socket server on 127.0.0.1 run by the test.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

#include "../support/bmp_builder.h"
#include "assets/resource_ids.h"
#include "platform/bitmap.h"
#include "platform/headless/headless.h"
#include "platform/random.h"
#include "scores/score_table.h"
#include "temp_directory.h"
#include "upload_target.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr const char* kPath = "/Vextorium2/updateScore.php";
// The exchange promises to be over within 5 s; the margin covers a loaded machine's scheduling.
constexpr auto kBound = std::chrono::milliseconds(5000 + 750);
constexpr int kPollMs = 10;

int listenOnLoopback(int backlog, int& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(fd, backlog) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        return -1;
    port = ntohs(address.sin_port);
    ::setenv("VEXTORIUM2_SCORE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    return fd;
}

bool readable(int fd) {
    pollfd p{fd, POLLIN, 0};
    return ::poll(&p, 1, kPollMs) > 0;
}

void sendText(int fd, const std::string& text) {
    ::send(fd, text.data(), text.size(), MSG_NOSIGNAL);
}

std::string response(int status, const std::string& body) {
    return "HTTP/1.1 " + std::to_string(status) +
           " X\r\nContent-Length: " + std::to_string(body.size()) +
           "\r\nConnection: close\r\n\r\n" + body;
}

// One request per connection. Uploads are answered 200, or 400 when the name holds an encoded
// ',' (as the real server refuses it), or failStatus for the name FAIL; the list is `list`.
class FakeServer {
  public:
    enum class Mode {
        Answer,
        StallUploads,  // read, and answered only at release(), long after the game gave up
        TrickleList,   // the list's bytes one every 50 ms
    };

    explicit FakeServer(Mode mode) : mode(mode) {
        fd = listenOnLoopback(16, port);
        thread = std::thread([this] { acceptLoop(); });
    }
    ~FakeServer() {
        stopping = true;
        thread.join();
        for (std::thread& t : connections) t.join();
        ::close(fd);
    }

    std::vector<std::string> received() {
        std::lock_guard lock(mutex);
        return targets;
    }
    void release() { released = true; }

    std::atomic<Mode> mode;
    std::string list;
    std::atomic<int> failStatus{503};  // what FAIL gets; 0: 200 as the others
    int port = 0;

  private:
    void acceptLoop() {
        while (!stopping) {
            if (!readable(fd)) continue;
            const int client = ::accept4(fd, nullptr, nullptr, SOCK_CLOEXEC);
            if (client >= 0) connections.emplace_back([this, client] { serve(client); });
        }
    }

    void serve(int client) {
        std::string request;
        char buffer[1024];
        while (!stopping && request.find("\r\n\r\n") == std::string::npos) {
            if (!readable(client)) continue;
            const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            request.append(buffer, static_cast<size_t>(n));
        }
        const size_t start = request.find(' ') + 1;
        const std::string target = request.substr(start, request.find(' ', start) - start);
        {
            std::lock_guard lock(mutex);
            targets.push_back(target);
        }
        const bool upload = target.find('?') != std::string::npos;
        if (upload && mode == Mode::StallUploads) {
            while (!stopping && !released)
                std::this_thread::sleep_for(std::chrono::milliseconds(kPollMs));
            sendText(client, response(200, "late"));
        } else if (upload) {
            const bool refused = target.find("%2C") != std::string::npos;
            const bool failing =
                failStatus != 0 && target.find("myname=FAIL&") != std::string::npos;
            sendText(client, response(refused ? 400 : failing ? failStatus.load() : 200, "ok"));
        } else if (mode == Mode::TrickleList) {
            const std::string whole = response(200, list);
            for (size_t i = 0; i < whole.size() && !stopping; ++i) {
                sendText(client, whole.substr(i, 1));
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
        } else {
            sendText(client, response(200, list));
        }
        ::close(client);
    }

    int fd = -1;
    std::atomic<bool> stopping{false};
    std::atomic<bool> released{false};
    std::thread thread;
    std::vector<std::thread> connections;  // only the accept thread adds to it
    std::mutex mutex;
    std::vector<std::string> targets;
};

std::string upload(const std::string& name, uint32_t score) {
    return std::string(kPath) + "?myname=" + name + "&myscore=" + std::to_string(score);
}

// 100 pending scores, P0 to P99, all above the default table: entry j holds P(99-j) with
// 20099 - j points.
void fillWithPending(ScoreTable& table) {
    for (int i = 0; i < ScoreTable::kEntryCount; ++i) {
        const std::string name = "P" + std::to_string(i);
        table.insert(std::u16string(name.begin(), name.end()), 20000 + static_cast<uint32_t>(i));
    }
}

// ScoreList.sav is whole (3202 bytes, reserved bytes zero) and holds entry j as P(99-j) with
// 20099 - j points, pending as given.
void expectSavedTable(const std::string& path, bool pending) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes{std::istreambuf_iterator<char>(in), {}};
    ASSERT_EQ(bytes.size(), 3202u);
    for (int j = 0; j < ScoreTable::kEntryCount; ++j) {
        const std::string record = bytes.substr(2 + 32 * static_cast<size_t>(j), 32);
        const std::string name = "P" + std::to_string(99 - j);
        std::string units;
        for (char c : name) units += std::string{c, '\0'};
        const uint32_t score = 20099u - static_cast<uint32_t>(j);
        EXPECT_EQ(record[0], pending ? 1 : 0) << j;
        EXPECT_EQ(record[1], 0) << j;
        EXPECT_EQ(record.substr(2, 18), units + std::string(18 - units.size(), '\0')) << j;
        EXPECT_EQ(record.substr(20, 4), std::string({static_cast<char>(score & 0xFF),
                                                     static_cast<char>(score >> 8), 0, 0}))
            << j;
        EXPECT_EQ(record.substr(24), std::string(8, '\0')) << j;
    }
}

class ScoreSyncFaultTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::headless::reset();
        std::vector<testing_support::Rgb> plain(176 * 220, {0, 0, 0});
        platform::addResource(resource::kHighScores, testing_support::makeBmp24(176, 220, plain));
    }
    // synchronize's wall time
    static Clock::duration timed(ScoreTable& table) {
        const Clock::time_point start = Clock::now();
        table.synchronize();
        return Clock::now() - start;
    }
    TempDirectory dir;
};

}  // namespace

TEST_F(ScoreSyncFaultTest, DroppedConnectionsOrATrickledListEndWithinTheBudget) {
    // A backlog of 0 with one connection waiting in it: every further connection attempt is
    // dropped unanswered. The first upload waits 3 s to connect, the list the time left.
    {
        int port = 0;
        const int full = listenOnLoopback(0, port);
        ASSERT_GE(full, 0);
        const int waiting = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<uint16_t>(port));
        ASSERT_EQ(::connect(waiting, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
        std::string path;
        {
            ScoreTable table;
            fillWithPending(table);
            EXPECT_LT(timed(table), kBound);
            path = table.filePath();
        }
        expectSavedTable(path, true);
        std::filesystem::remove(path);  // the next table starts from the defaults again
        ::close(waiting);
        ::close(full);
    }
    // Every upload is answered, the list comes too slowly to finish: the table stays as it was,
    // nothing pending.
    {
        FakeServer server(FakeServer::Mode::TrickleList);
        for (int i = 0; i < 100; ++i) server.list += ";T" + std::to_string(i) + ",9";
        std::string path;
        {
            ScoreTable table;
            fillWithPending(table);
            EXPECT_LT(timed(table), kBound);
            path = table.filePath();
        }
        expectSavedTable(path, false);
        EXPECT_EQ(server.received().size(), 101u);
    }
}

TEST_F(ScoreSyncFaultTest, AnUploadGivenUpOnGoesAgainWithTheSameId) {
    FakeServer server(FakeServer::Mode::StallUploads);
    std::string path;
    {
        ScoreTable table;
        fillWithPending(table);
        EXPECT_LT(timed(table), kBound);
        // The first upload took the whole budget: nothing else was sent, nothing changed.
        const std::vector<std::string> first = server.received();
        ASSERT_EQ(first.size(), 1u);
        EXPECT_EQ(withoutId(first[0]), upload("P99", 20099));
        for (int j = 0; j < ScoreTable::kEntryCount; ++j) EXPECT_EQ(table.entry(j).pending, 1);
        server.release();  // the server records it now, too late for the game

        server.mode = FakeServer::Mode::Answer;
        table.synchronize();
        const std::vector<std::string> all = server.received();
        ASSERT_EQ(all.size(), 1u + 100u + 1u);
        EXPECT_EQ(all[1], first[0]);  // the same score, the same id: the server keeps one
        std::set<std::string> ids;
        for (int j = 0; j < ScoreTable::kEntryCount; ++j) {
            std::string id;
            const std::string name = "P" + std::to_string(99 - j);
            EXPECT_EQ(withoutId(all[1 + static_cast<size_t>(j)], &id),
                      upload(name, 20099u - static_cast<uint32_t>(j)));
            ids.insert(id);
        }
        EXPECT_EQ(ids.size(), 100u);
        EXPECT_EQ(all.back(), kPath);
        path = table.filePath();
    }
    expectSavedTable(path, false);
}

TEST_F(ScoreSyncFaultTest, RefusedScoresAreDroppedAndAFailingServerStopsTheUploads) {
    FakeServer server(FakeServer::Mode::Answer);
    ScoreTable table;
    table.insert(u"AA", 30000);
    table.insert(u"X,Y", 29000);  // a name the server refuses
    table.insert(u"BB", 28000);
    table.insert(u"FAIL", 27000);  // the server fails on this one
    table.insert(u"CC", 26000);
    platform::seedRandom(7);
    table.synchronize();
    std::vector<std::string> got = server.received();
    ASSERT_EQ(got.size(), 5u);  // CC waits: the server failed just before
    EXPECT_EQ(withoutId(got[0]), upload("AA", 30000));
    EXPECT_EQ(withoutId(got[1]), upload("X%2CY", 29000));
    EXPECT_EQ(withoutId(got[2]), upload("BB", 28000));
    EXPECT_EQ(withoutId(got[3]), upload("FAIL", 27000));
    EXPECT_EQ(got[4], kPath);  // the list still comes: time was left
    const int pending[] = {0, 0, 0, 1, 1};
    const char16_t* names[] = {u"AA", u"X,Y", u"BB", u"FAIL", u"CC"};
    for (int j = 0; j < 5; ++j) {
        EXPECT_EQ(std::u16string(table.entry(j).name), names[j]) << j;
        EXPECT_EQ(table.entry(j).pending, pending[j]) << j;
    }
    // The ids come from elsewhere: the game's generator is where the seed left it
    // (7 * 214013 + 2531011 = 4029102, >> 16 = 61).
    EXPECT_EQ(platform::nextRandom(), 61);

    // Next time FAIL goes first again, with its id of before, and is turned away by a rate limit
    // (429, to be tried again): CC still waits. The short list joins the table above them all.
    server.failStatus = 429;
    server.list = ";L,60000;L,59000;L,58000;L,57000;L,56000";
    table.synchronize();
    got = server.received();
    ASSERT_EQ(got.size(), 5u + 2u);
    EXPECT_EQ(got[5], got[3]);
    EXPECT_EQ(got[6], kPath);
    EXPECT_EQ(std::u16string(table.entry(5).name), u"AA");
    EXPECT_EQ(std::u16string(table.entry(8).name), u"FAIL");
    EXPECT_EQ(table.entry(8).pending, 1);
    EXPECT_EQ(std::u16string(table.entry(9).name), u"CC");
    EXPECT_EQ(table.entry(9).pending, 1);
    EXPECT_EQ(table.entry(10).score, 10000u);  // the default table below them

    // Once the server takes FAIL it goes up with the id it had from the start, CC with its own.
    server.failStatus = 0;
    table.synchronize();
    got = server.received();
    ASSERT_EQ(got.size(), 7u + 3u);
    EXPECT_EQ(got[7], got[3]);
    EXPECT_EQ(withoutId(got[8]), upload("CC", 26000));
    EXPECT_NE(got[8].substr(got[8].size() - 16), got[3].substr(got[3].size() - 16));
    EXPECT_EQ(table.entry(8).pending, 0);
    EXPECT_EQ(table.entry(9).pending, 0);
}
