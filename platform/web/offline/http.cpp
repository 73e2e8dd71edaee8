// HTTP service of the Node build: there is no internet client there, so every request ends as
// "no connection" (the online exchange treats it as it treats a network that is down). The trace
// lists each request as the other clients' do, so a replay's trace is the same everywhere.
#include "platform/http.h"
#include "platform/trace.h"

namespace platform {

struct HttpSession {};
struct HttpRequest {};

HttpSession* httpOpen(const std::string&) {
    return new HttpSession;
}

HttpRequest* httpSend(HttpSession* session, const std::string& url, const std::string* body,
                      long timeoutMs) {
    if (session != nullptr && timeoutMs > 0)
        trace((body != nullptr ? "http POST " : "http GET ") + url);
    return nullptr;
}

long httpStatus(const HttpRequest*) {
    return 0;
}

size_t httpRead(HttpRequest*, char*, size_t) {
    return 0;
}

void httpCloseRequest(HttpRequest* request) {
    delete request;
}

void httpClose(HttpSession* session) {
    delete session;
}

}  // namespace platform
