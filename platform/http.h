// HTTP service over libcurl: the internet client the online score exchange uses.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace platform {

struct HttpSession;
struct HttpRequest;

constexpr long kHttpConnectTimeoutMs = 3000;
constexpr long kHttpTotalTimeoutMs = 5000;
constexpr size_t kHttpMaxBody = 64 * 1024;  // a longer reply is cut here

// A client with this user agent, direct connection (no proxy), no caching.
// nullptr when the client cannot be set up.
HttpSession* httpOpen(const std::string& agent);

// GETs the URL and holds the reply; nullptr when no reply came (no connection, timeout).
// A request never takes longer than the total timeout.
HttpRequest* httpOpenUrl(HttpSession* session, const std::string& url);

// The reply's HTTP status code.
long httpStatus(const HttpRequest* request);

// Copies up to `size` further bytes of the reply body; 0 at its end.
size_t httpRead(HttpRequest* request, char* buffer, size_t size);

void httpCloseRequest(HttpRequest* request);
void httpClose(HttpSession* session);

}  // namespace platform
