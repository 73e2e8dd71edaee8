// HTTP service of the browser: the page's fetch, always to the page's own origin (only the
// path and query of the URL are used), within the request's time, the reply cut at
// kHttpMaxBody. The program waits for the reply; the page stays responsive meanwhile.
#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/http.h"
#include "platform/reply/whole_reply.h"
#include "platform/trace.h"

// The status, 0 for a redirect (not followed), -1 when no whole reply came in time; *body
// (malloc'ed, for the caller to free) and *length receive the reply's first bytes. A GET, or a
// POST of the `sendLength` bytes at `send` when `send` is not null.
EM_ASYNC_JS(int, v2Fetch,
            (const char* url, int timeoutMs, int maxBytes, char** body, int* length,
             const char* send, int sendLength),
            {
                if (!Module.v2Fetch) return -1;
                const payload = send ? HEAPU8.slice(send, send + sendLength) : null;
                return await Module.v2Fetch(UTF8ToString(url), timeoutMs, maxBytes, body, length,
                                            payload);
            });

namespace platform {

struct HttpSession {};

HttpSession* httpOpen(const std::string&) {
    return new HttpSession;
}

namespace {
HttpRequest* perform(HttpSession* session, const std::string& url, const std::string* send,
                     long timeoutMs) {
    if (session == nullptr || timeoutMs <= 0) return nullptr;
    trace(std::string(send != nullptr ? "http POST " : "http GET ") + url);
    char* body = nullptr;
    int length = 0;
    const int status = v2Fetch(url.c_str(), static_cast<int>(std::min<long>(timeoutMs, INT_MAX)),
                               static_cast<int>(kHttpMaxBody), &body, &length,
                               send != nullptr ? send->data() : nullptr,
                               send != nullptr ? static_cast<int>(send->size()) : 0);
    HttpRequest* request = nullptr;
    if (status >= 0) {
        request = new HttpRequest;
        request->status = status;
        if (body != nullptr && length > 0)
            request->body.assign(body, std::min(static_cast<size_t>(length), kHttpMaxBody));
    }
    std::free(body);
    return request;
}
}  // namespace

HttpRequest* httpOpenUrl(HttpSession* session, const std::string& url, long timeoutMs) {
    return perform(session, url, nullptr, timeoutMs);
}

HttpRequest* httpPost(HttpSession* session, const std::string& url, const std::string& body,
                      long timeoutMs) {
    return perform(session, url, &body, timeoutMs);
}

void httpClose(HttpSession* session) {
    delete session;
}

}  // namespace platform
