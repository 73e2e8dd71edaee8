// The server's reading of a hostile wire, over raw sockets: framings that a proxy and the server
// could take differently are refused once and closed, and nothing hidden behind them is stored.
#include <gtest/gtest.h>

#include "in_process_server.h"
#include "raw_http.h"

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";

size_t count(const std::string& text, const std::string& part) {
    size_t found = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++found;
    return found;
}

std::string listOf(const InProcessServer& server) {
    auto client = server.client();
    const auto result = client.Get(kPath);
    return result ? result->body : "<no answer>";
}

}  // namespace

TEST(RequestHeadTest, RefusesFramingsTwoReadersCouldTakeDifferentlyAndClosesAfterOneAnswer) {
    InProcessServer server;
    const std::string upload = std::string("GET ") + kPath +
                               "?myname=HIDDEN&myscore=7 HTTP/1.1\r\n"
                               "Host: x\r\n\r\n";
    const std::string line = std::string("GET ") + kPath + " HTTP/1.1\r\n";
    struct Case {
        const char* what;
        std::string text;
        const char* status;
    };
    const Case cases[] = {
        // Read with the first length the hidden upload would run as a request of its own.
        {"two differing lengths",
         line + "Host: x\r\nContent-Length: 0\r\nContent-Length: " + std::to_string(upload.size()) +
             "\r\n\r\n" + upload,
         "400"},
        {"one length twice", line + "Host: x\r\nContent-Length: 3\r\nContent-Length: 3\r\n\r\nabc",
         "400"},
        {"a length beside chunked",
         line + "Host: x\r\nContent-Length: 5\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" +
             upload,
         "400"},
        // The library keeps "0" of these lines; a reader in front may take the whole length.
        {"a length cut by a NUL",
         line + "Host: x\r\nContent-Length: 0" + std::string(1, '\0') +
             std::to_string(upload.size()) + "\r\n\r\n" + upload,
         "400"},
        {"a length folded onto the next line",
         line + "Host: x\r\nContent-Length: 0\r\n " + std::to_string(upload.size()) + "\r\n\r\n" +
             upload,
         "400"},
        {"a coding folded onto the next line",
         line + "Host: x\r\nTransfer-Encoding:\r\n chunked\r\n\r\n0\r\n\r\n" + upload, "400"},
        {"an unknown coding", line + "Host: x\r\nTransfer-Encoding: xchunked\r\n\r\n" + upload,
         "501"},
        {"a coding before chunked",
         line + "Host: x\r\nTransfer-Encoding: gzip, chunked\r\n\r\n0\r\n\r\n", "501"},
        {"a space in the target",
         std::string("GET ") + kPath +
             "?myname=A B&myscore=1 HTTP/1.1\r\n"
             "Host: x\r\n\r\n",
         "400"},
        {"a control character in the target",
         std::string("GET ") + kPath + "?myname=A\x01&myscore=1 HTTP/1.1\r\nHost: x\r\n\r\n",
         "400"},
        {"a control character in a value", line + "Host: x\r\nX-Note: a\x01z\r\n\r\n", "400"},
        {"a space before the colon", line + "Host: x\r\nContent-Length : 0\r\n\r\n", "400"},
        {"HTTP/1.1 without Host", line + "\r\n", "400"},
        {"two Host lines", line + "Host: x\r\nHost: y\r\n\r\n", "400"},
    };
    for (const Case& c : cases) {
        const std::string reply = raw_http::exchange(server.port, c.text);
        EXPECT_EQ(reply.substr(0, 12), std::string("HTTP/1.1 ") + c.status)
            << c.what << ": " << reply;
        EXPECT_EQ(count(reply, "HTTP/1.1 "), 1u) << c.what << ": " << reply;  // one answer, closed
        EXPECT_EQ(count(reply, "\r\n\r\n"), 1u) << c.what << ": " << reply;   // one header block
        EXPECT_EQ(reply.find("<silent>"), std::string::npos) << c.what;
    }
    EXPECT_EQ(listOf(server), "");  // the hidden uploads were never run

    // Sound heads still pass: HTTP/1.0 needs no Host, and a chunked request with no data.
    EXPECT_EQ(raw_http::exchange(server.port, std::string("GET ") + kPath + " HTTP/1.0\r\n\r\n")
                  .substr(0, 12),
              "HTTP/1.1 200");
    const std::string chunked = raw_http::exchange(
        server.port,
        line + "Host: x\r\nTransfer-Encoding: chunked\r\nConnection: close\r\n\r\n0\r\n\r\n");
    EXPECT_EQ(chunked.substr(0, 12), "HTTP/1.1 200") << chunked;
}

TEST(RequestHeadTest, AnswersAWholeRequestAfterAHalfCloseAndHeadLikeGet) {
    InProcessServer server;
    const std::string upload = raw_http::exchange(
        server.port,
        std::string("GET ") + kPath + "?myname=HALF&myscore=9&myid=h1 HTTP/1.1\r\nHost: x\r\n\r\n",
        true);
    EXPECT_EQ(upload.substr(0, 12), "HTTP/1.1 200") << upload;
    EXPECT_NE(upload.find("recorded"), std::string::npos) << upload;
    EXPECT_EQ(listOf(server), ";HALF,9");

    const std::string head =
        raw_http::exchange(server.port, std::string("HEAD ") + kPath +
                                            " HTTP/1.1\r\nHost: x\r\nConnection: close\r\n\r\n");
    EXPECT_EQ(head.substr(0, 12), "HTTP/1.1 200") << head;
    EXPECT_NE(head.find("Content-Length: 7\r\n"), std::string::npos) << head;  // ";HALF,9"
    EXPECT_EQ(head.substr(head.find("\r\n\r\n") + 4), "") << head;             // and no body
}
