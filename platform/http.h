// HTTP service over libcurl: the internet client the online score exchange uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct HttpSession;
struct HttpRequest;

constexpr long kHttpConnectTimeoutMs = 3000;  // at most, within the request's own time
constexpr size_t kHttpMaxBody = 64 * 1024;    // a longer reply is cut here

// A client with this user agent, direct connection (no proxy), no caching.
// nullptr when the client cannot be set up.
HttpSession* httpOpen(const std::string& agent);

// One request: a GET of the URL, or a POST of `*body` as application/octet-stream when `body` is
// given. Holds the reply; nullptr when no whole reply came within timeoutMs (no connection, a
// server that stalls or trickles). The request never takes longer than timeoutMs: connecting
// gets the smaller of kHttpConnectTimeoutMs and timeoutMs. With timeoutMs of 0 or less nothing
// is sent and the result is nullptr. Each back end has its own.
HttpRequest* httpSend(HttpSession* session, const std::string& url, const std::string* body,
                      long timeoutMs);

inline HttpRequest* httpOpenUrl(HttpSession* session, const std::string& url, long timeoutMs) {
    return httpSend(session, url, nullptr, timeoutMs);
}
inline HttpRequest* httpPost(HttpSession* session, const std::string& url, const std::string& body,
                             long timeoutMs) {
    return httpSend(session, url, &body, timeoutMs);
}

// The reply's HTTP status code.
long httpStatus(const HttpRequest* request);

// What a status means to whoever would send the request again: a success (2xx) is taken; a
// refusal (4xx) stands for good, but for 408 and 429 (too slow, too many at once: a rate limit
// in front of the server), which ask for another try, as does everything else.
inline bool httpSucceeded(long status) {
    return status >= 200 && status <= 299;
}
inline bool httpTurnedDownForGood(long status) {
    constexpr long kRequestTimeout = 408;
    constexpr long kTooManyRequests = 429;
    return status >= 400 && status <= 499 && status != kRequestTimeout &&
           status != kTooManyRequests;
}

// Copies up to `size` further bytes of the reply body; 0 at its end.
size_t httpRead(HttpRequest* request, char* buffer, size_t size);

void httpCloseRequest(HttpRequest* request);
void httpClose(HttpSession* session);

}  // namespace platform
