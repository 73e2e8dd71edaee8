// ScoreTable::synchronize against a small score server on 127.0.0.1 run by the test itself.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <netinet/in.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "../support/bmp_builder.h"
#include "assets/resource_ids.h"
#include "graphics/text_image.h"
#include "platform/bitmap.h"
#include "platform/headless/headless.h"
#include "platform/http.h"
#include "scores/score_table.h"
#include "temp_directory.h"
#include "upload_target.h"

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kStartPolls = 5000;  // 1 ms each

// Answers uploads with `uploadStatus` and the plain list with `reply`, and records what it got.
class StubServer {
  public:
    StubServer() {
        server.Get(kPath, [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            targets.push_back(request.target);
            agents.push_back(request.get_header_value("User-Agent"));
            if (request.has_param("myname")) {
                response.status = uploadStatus;
                response.set_content("ok", "text/plain");
            } else {
                response.status = downloadStatus;
                response.set_content(reply, "text/plain");
            }
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        for (int i = 0; i < kStartPolls && !server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::setenv("VEXTORIUM2_SCORE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }
    ~StubServer() {
        server.stop();
        thread.join();
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::vector<std::string> targets;
    std::vector<std::string> agents;
    int uploadStatus = 200;
    int downloadStatus = 200;
    std::string reply;
};

std::u16string nameOf(const ScoreEntry& entry) {
    return std::u16string(entry.name);
}

class ScoreSyncTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::headless::reset();
        std::vector<testing_support::Rgb> plain(176 * 220, {0, 0, 0});
        platform::addResource(resource::kHighScores, testing_support::makeBmp24(176, 220, plain));
    }
    TempDirectory dir;
};

}  // namespace

TEST_F(ScoreSyncTest, WithoutPendingEntriesOnlyTheListIsFetched) {
    StubServer server;
    ScoreTable table;
    table.synchronize();
    ASSERT_EQ(server.targets.size(), 1u);
    EXPECT_EQ(server.targets[0], kPath);
    EXPECT_EQ(server.agents[0], "VextorHttp");
    EXPECT_EQ(nameOf(table.entry(0)), u"MERVAN");  // an empty list changes nothing
    EXPECT_EQ(table.entry(0).score, 10000u);
    const auto& trace = platform::headless::traceLines();
    ASSERT_EQ(trace.size(), 1u);
    EXPECT_EQ(trace[0], "0 http GET http://127.0.0.1:" + std::to_string(server.port) + kPath);
}

TEST_F(ScoreSyncTest, UploadsPendingEntriesThenTakesTheList) {
    StubServer server;
    server.reply = "x;A,20000;B,30000";
    ScoreTable table;
    table.insert(u"AB", 1234);          // index 88, between 1300 and 1200
    table.insert(u"A B&\u00E9", 1500);  // index 86, below the 1500 already there
    ASSERT_EQ(nameOf(table.entry(89)), u"AB");
    table.synchronize();
    ASSERT_EQ(server.targets.size(), 3u);
    EXPECT_EQ(withoutId(server.targets[0]),
              std::string(kPath) + "?myname=A%20B%26%C3%A9&myscore=1500");
    EXPECT_EQ(withoutId(server.targets[1]), std::string(kPath) + "?myname=AB&myscore=1234");
    EXPECT_EQ(server.targets[2], kPath);

    // A short list joins the table in order: the highest first, whatever the reply's order.
    EXPECT_EQ(nameOf(table.entry(0)), u"B");
    EXPECT_EQ(table.entry(0).score, 30000u);
    EXPECT_EQ(nameOf(table.entry(1)), u"A");
    EXPECT_EQ(table.entry(1).score, 20000u);
    EXPECT_EQ(nameOf(table.entry(2)), u"MERVAN");
    EXPECT_EQ(table.entry(2).score, 10000u);
    // The texts follow: "B" is one character wide, "30000" five.
    EXPECT_EQ(table.entry(0).nameText->width, 12);
    EXPECT_EQ(table.entry(0).scoreText->width, 60);
    // Answered uploads the list does not hold stay, two rows down, no longer pending; the two
    // lowest scores (300 and 400) made room.
    EXPECT_EQ(nameOf(table.entry(91)), u"AB");
    EXPECT_EQ(table.entry(91).pending, 0);
    EXPECT_EQ(table.entry(99).score, 500u);
    server.targets.clear();
    table.synchronize();
    EXPECT_EQ(server.targets.size(), 1u);  // nothing goes up twice
}

TEST_F(ScoreSyncTest, NamesUpToEightCharactersAreTakenAndLongerOnesEndTheList) {
    StubServer server;
    server.reply = ";ABCDEFGH,50006;Zo\xC3\xAB,50005;ABCDEFGHI,50007;C,50008";
    ScoreTable table;
    table.synchronize();
    EXPECT_EQ(nameOf(table.entry(0)), u"ABCDEFGH");
    EXPECT_EQ(nameOf(table.entry(1)), u"Zo\u00EB");  // UTF-8: three characters
    EXPECT_EQ(table.entry(1).score, 50005u);
    EXPECT_EQ(nameOf(table.entry(2)), u"MERVAN");
    EXPECT_EQ(table.entry(2).score, 10000u);

    // Scores: leading blanks and a sign are read, the number ends at the first non-digit,
    // a value past 32 bits stays at the top, a negative one is 0 and shows as one space. A
    // full list (95 records of 0 after these) is the whole table.
    server.reply = ";P, 42x;Q,+7;R,99999999999;S,-3;T,";
    for (int i = 0; i < 95; ++i) server.reply += ";F,0";
    table.synchronize();
    EXPECT_EQ(table.entry(0).score, 4294967295u);
    EXPECT_EQ(table.entry(1).score, 42u);
    EXPECT_EQ(table.entry(2).score, 7u);
    EXPECT_EQ(nameOf(table.entry(3)), u"S");
    EXPECT_EQ(table.entry(3).score, 0u);
    EXPECT_EQ(table.entry(3).scoreText->width, 12);
    EXPECT_EQ(nameOf(table.entry(4)), u"T");
    EXPECT_EQ(table.entry(4).score, 0u);
    EXPECT_EQ(nameOf(table.entry(99)), u"F");
}

TEST_F(ScoreSyncTest, AFullListReplacesTheWholeTable) {
    StubServer server;
    for (int i = 0; i < 101; ++i)
        server.reply += ";N" + std::to_string(i) + "," + std::to_string(50000 - i);
    ScoreTable table;
    table.insert(u"ME", 20000);
    table.synchronize();
    for (int i = 0; i < 100; ++i) {
        std::string expected = "N" + std::to_string(i);
        EXPECT_EQ(nameOf(table.entry(i)), std::u16string(expected.begin(), expected.end())) << i;
        EXPECT_EQ(table.entry(i).score, 50000u - i) << i;
        EXPECT_EQ(table.entry(i).pending, 0) << i;  // ME's upload was answered: not kept
    }
    EXPECT_EQ(table.entry(0).nameText->width, 24);    // "N0"
    EXPECT_EQ(table.entry(99).nameText->width, 36);   // "N99"
    EXPECT_EQ(table.entry(99).scoreText->width, 60);  // "49901"
}

TEST_F(ScoreSyncTest, AShortListJoinsTheTableInOrderEachScoreOnce) {
    // The server holds three scores: ME's, sent just now, among them; YOU's, taken too, is not
    // on its list yet.
    StubServer server;
    server.reply = ";X,5050;ME,840;Z,50";
    ScoreTable table;
    table.insert(u"ME", 840);    // index 92, between 900 and 800
    table.insert(u"YOU", 9950);  // index 1
    table.synchronize();
    // Above ME: YOU, X and the 92 defaults from 10000 to 900.
    EXPECT_EQ(nameOf(table.entry(94)), u"ME");
    int mine = 0;
    for (int i = 0; i < ScoreTable::kEntryCount; ++i) {
        mine += nameOf(table.entry(i)) == u"ME";
        EXPECT_EQ(table.entry(i).pending, 0) << i;
        if (i > 0) {
            EXPECT_GE(table.entry(i - 1).score, table.entry(i).score) << i;
        }
    }
    EXPECT_EQ(mine, 1);
    EXPECT_EQ(nameOf(table.entry(1)), u"YOU");
    EXPECT_EQ(nameOf(table.entry(51)), u"X");  // below the defaults down to 5100
    EXPECT_EQ(table.entry(52).score, 5000u);
    EXPECT_EQ(table.entry(99).score, 400u);  // Z and the lowest defaults are below the table
}

// A table that held one score twice (two uploads the server listed as one) shows it once; the
// row left over at the bottom is empty.
TEST_F(ScoreSyncTest, AScoreHeldTwiceShowsOnce) {
    StubServer server;
    server.reply = ";ME,840";
    ScoreTable table;
    table.insert(u"ME", 840);
    table.insert(u"ME", 840);  // 92 and 93, the lowest default (100) gone
    table.synchronize();
    EXPECT_EQ(nameOf(table.entry(92)), u"ME");
    EXPECT_EQ(table.entry(93).score, 800u);
    EXPECT_EQ(table.entry(98).score, 300u);  // 200 went with the second insert
    EXPECT_EQ(nameOf(table.entry(99)), u"");
    EXPECT_EQ(table.entry(99).score, 0u);
}

TEST_F(ScoreSyncTest, APendingScoreSurvivesAFailedUpload) {
    StubServer server;
    server.uploadStatus = 500;
    for (int i = 0; i < 100; ++i)
        server.reply += ";S" + std::to_string(i) + "," + std::to_string(2000 - 10 * i);
    ScoreTable table;
    table.insert(u"AB", 1234);
    table.insert(u"LOW", 1005);  // below the whole new list: it cannot enter it
    table.synchronize();
    // 2000 - 10 * i passes 1234 between i = 76 (1240) and i = 77 (1230).
    EXPECT_EQ(table.entry(76).score, 1240u);
    EXPECT_EQ(nameOf(table.entry(77)), u"AB");
    EXPECT_EQ(table.entry(77).score, 1234u);
    EXPECT_EQ(table.entry(77).pending, 1);
    EXPECT_EQ(table.entry(77).nameText->width, 24);
    EXPECT_EQ(table.entry(78).score, 1230u);
    EXPECT_EQ(table.entry(99).score, 1020u);  // 1010 was pushed out
    EXPECT_EQ(table.entry(99).pending, 0);

    // Next time the upload goes through and the server's list carries it.
    server.uploadStatus = 200;
    server.reply = ";AB,1234";
    server.targets.clear();
    table.synchronize();
    EXPECT_EQ(withoutId(server.targets[0]), std::string(kPath) + "?myname=AB&myscore=1234");
    EXPECT_EQ(nameOf(table.entry(77)), u"AB");  // held by the list: once, no longer pending
    EXPECT_EQ(table.entry(77).pending, 0);
    EXPECT_EQ(nameOf(table.entry(78)), u"S77");

    // A list that failed (not 2xx) changes nothing.
    server.downloadStatus = 503;
    server.reply = ";ERR,100000";
    table.synchronize();
    EXPECT_EQ(nameOf(table.entry(0)), u"S0");
}

TEST_F(ScoreSyncTest, AnUnansweredScoreTheListHoldsIsNoLongerPending) {
    // The server recorded both scores but its answers were lost: the list holds them.
    StubServer server;
    server.uploadStatus = 500;
    server.reply = ";X,30000;AB,20000;CD,1234";
    ScoreTable table;
    table.insert(u"AB", 20000);  // index 0: replaced by the list, not inserted again
    table.insert(u"CD", 1234);   // index 89 (AB moved the 1300 to 88): out of the list's reach
    table.synchronize();
    EXPECT_EQ(nameOf(table.entry(1)), u"AB");
    EXPECT_EQ(table.entry(1).pending, 0);
    EXPECT_EQ(nameOf(table.entry(2)), u"MERVAN");
    EXPECT_EQ(table.entry(2).score, 10000u);
    // CD shows once, as the list's record, below the 88 defaults from 10000 to 1300.
    EXPECT_EQ(nameOf(table.entry(90)), u"CD");
    EXPECT_EQ(table.entry(90).pending, 0);
    EXPECT_EQ(table.entry(91).score, 1200u);
    EXPECT_EQ(table.entry(99).score, 400u);
}

TEST_F(ScoreSyncTest, OnlyTheFirst8191BytesOfAHugeGarbageReplyCount) {
    StubServer server;
    server.reply = ";\xFF\xFE,70000";  // two invalid bytes: two replacement characters
    for (int i = 0; server.reply.size() < 20000; ++i)
        server.reply.push_back(static_cast<char>(0x80 + i % 0x70));
    server.reply.replace(8191, 5, ";Z,5;");  // a record past the limit is never seen
    ScoreTable table;
    table.synchronize();
    EXPECT_EQ(nameOf(table.entry(0)), std::u16string(2, char16_t(0xFFFD)));
    EXPECT_EQ(table.entry(0).score, 70000u);
    EXPECT_EQ(nameOf(table.entry(1)), u"MERVAN");
    EXPECT_EQ(table.entry(1).score, 10000u);
}

TEST_F(ScoreSyncTest, ASilentServerOrNoServerLeavesTheTableAlone) {
    // A socket that accepts connections into its backlog and never answers.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(silent, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    ::setenv("VEXTORIUM2_SCORE_HOST",
             ("127.0.0.1:" + std::to_string(ntohs(address.sin_port))).c_str(), 1);
    {
        ScoreTable table;
        table.synchronize();  // returns once the request times out
        EXPECT_EQ(nameOf(table.entry(0)), u"MERVAN");
        EXPECT_EQ(table.entry(0).score, 10000u);
    }
    ::close(silent);  // now nothing listens on that port at all
    {
        ScoreTable table;
        table.insert(u"AB", 1234);
        table.synchronize();
        EXPECT_EQ(nameOf(table.entry(88)), u"AB");
        EXPECT_EQ(table.entry(88).pending, 1);
    }
    // A host setting that would reach past the host part is refused for the default.
    ::setenv("VEXTORIUM2_SCORE_HOST", "evil.example/x?", 1);
    platform::headless::reset();
    {
        ScoreTable table;
        table.synchronize();
    }
    ASSERT_FALSE(platform::headless::traceLines().empty());
    EXPECT_EQ(platform::headless::traceLines().back(),
              "0 http GET http://127.0.0.1:8642/Vextorium2/updateScore.php");
}

TEST_F(ScoreSyncTest, TheHttpClientCapsTheBodyAndReportsTheStatus) {
    StubServer server;
    server.reply = std::string(100000, 'x');
    server.downloadStatus = 404;
    const std::string url = "http://127.0.0.1:" + std::to_string(server.port) + kPath;
    platform::HttpSession* session = platform::httpOpen("VextorHttp");
    ASSERT_NE(session, nullptr);
    platform::HttpRequest* request = platform::httpOpenUrl(session, url, 5000);
    ASSERT_NE(request, nullptr);
    EXPECT_EQ(platform::httpStatus(request), 404);
    std::string body(200000, '\0');
    size_t total = 0;
    while (size_t n = platform::httpRead(request, body.data() + total, 1000)) total += n;
    EXPECT_EQ(total, platform::kHttpMaxBody);
    EXPECT_EQ(platform::httpRead(request, body.data(), 1000), 0u);
    platform::httpCloseRequest(request);
    EXPECT_EQ(platform::httpOpenUrl(session, "file:///etc/passwd", 5000), nullptr);  // HTTP only
    EXPECT_EQ(platform::httpOpenUrl(session, url, 0), nullptr);  // no time left: nothing sent
    EXPECT_EQ(server.targets.size(), 1u);
    platform::httpClose(session);
}
