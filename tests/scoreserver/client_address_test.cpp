// Per-client limits behind a trusted proxy: the client is the address that proxy names, and a
// header from anyone else names no one.
#include <gtest/gtest.h>

#include "in_process_server.h"
#include "raw_http.h"

namespace {

constexpr uint32_t kProxy = 0x7F000001;     // 127.0.0.1, trusted below
constexpr uint32_t kStranger = 0x7F000002;  // 127.0.0.2

constexpr unsigned kCap = 8;  // connections per client

// The statuses of `n` uploads from `from` on one connection, each with `headers`, as
// "200 200 429".
std::string uploads(int port, uint32_t from, const std::string& headers, int n) {
    std::string statuses;
    const int fd = raw_http::connectFrom(from, port);
    for (int i = 0; i < n; ++i) {
        const int status = raw_http::roundTrip(
            fd, "GET /Vextorium2/updateScore.php?myname=P&myscore=" + std::to_string(i) +
                    " HTTP/1.1\r\nHost: x\r\n" + headers + "\r\n");
        statuses += (statuses.empty() ? "" : " ") + std::to_string(status);
    }
    if (fd >= 0) ::close(fd);
    return statuses;
}

}  // namespace

TEST(ClientAddressTest, UploadsAreCountedByTheClientATrustedProxyNamesAndByNoOneElsesWord) {
    ServerLimits limits;
    limits.uploadsPerSecond = 0.01;  // one per 100 s beyond the burst
    limits.uploadBurst = 2;
    limits.maxPerAddress = kCap;
    ASSERT_TRUE(limits.trustedProxies.add("127.0.0.0/31"));
    ASSERT_TRUE(limits.trustedProxies.add("2001:db8::/32"));
    ASSERT_FALSE(limits.trustedProxies.add("127.0.0.1/33"));
    ASSERT_FALSE(limits.trustedProxies.add("proxy.example"));
    InProcessServer server(limits);
    const int port = server.port;

    // Anyone else's X-Forwarded-For is not taken: a new address each time is the same client.
    EXPECT_EQ(uploads(port, kStranger, "X-Forwarded-For: 10.0.0.7\r\n", 2), "200 200");
    EXPECT_EQ(uploads(port, kStranger, "X-Forwarded-For: 10.0.0.8\r\nX-Real-IP: 10.0.0.8\r\n", 1),
              "429");

    // From the proxy, the last address it adds is the client; what the client wrote before it
    // is not, and X-Real-IP serves when there is no X-Forwarded-For.
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 10.0.0.1\r\n", 3), "200 200 429");
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 10.0.0.9, 10.0.0.1\r\n", 1), "429");
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 10.0.0.1, 10.0.0.2\r\n", 2), "200 200");
    EXPECT_EQ(uploads(port, kProxy, "X-Real-IP: 10.0.0.3\r\n", 3), "200 200 429");
    // An IPv6 client counts by its /64.
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 2001:db8:1:2::1\r\n", 2), "200 200");
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 2001:db8:1:2::ffff\r\n", 1), "429");
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: 2001:db8:1:3::1\r\n", 1), "200");
    // A proxy that names no valid address leaves its own counted.
    EXPECT_EQ(uploads(port, kProxy, "X-Forwarded-For: unknown\r\n", 3), "200 200 429");

    // The 429 says when to come back: within the 100 s one token takes.
    const int fd = raw_http::connectFrom(kStranger, port);
    ASSERT_GE(fd, 0);
    const std::string request =
        "GET /Vextorium2/updateScore.php?myname=P&myscore=1 HTTP/1.1\r\nHost: x\r\n"
        "Connection: close\r\n\r\n";
    ::send(fd, request.data(), request.size(), MSG_NOSIGNAL);
    const std::string reply = raw_http::readToEnd(fd);
    ::close(fd);
    EXPECT_EQ(reply.substr(0, 12), "HTTP/1.1 429") << reply;
    const size_t at = reply.find("Retry-After: ");
    ASSERT_NE(at, std::string::npos) << reply;
    const int wait = std::stoi(reply.substr(at + 13));
    EXPECT_GE(wait, 1);
    EXPECT_LE(wait, 100);

    // The proxy's own connections are not capped as one client's: it carries many.
    int kept[2 * kCap];
    for (unsigned i = 0; i < 2 * kCap; ++i) {
        kept[i] = raw_http::connectFrom(kProxy, port);
        EXPECT_EQ(raw_http::roundTrip(kept[i],
                                      "GET /Vextorium2/updateScore.php HTTP/1.1\r\nHost: x\r\n"
                                      "X-Forwarded-For: 10.0.1." +
                                          std::to_string(i) + "\r\n\r\n"),
                  200)
            << i;
    }
    for (int k : kept) ::close(k);
}
