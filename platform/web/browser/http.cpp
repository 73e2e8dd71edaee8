// HTTP service of the browser: the page's fetch, always to the page's own origin (only the
// path and query of the URL are used), within the request's time, the reply cut at
// kHttpMaxBody. The program waits for the reply; the page stays responsive meanwhile, says
// that scores are being sent (a session is one exchange) and how it ended, and drops the keys
// pressed until then.
#include <emscripten.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/http.h"
#include "platform/reply/whole_reply.h"
#include "platform/trace.h"
#include "platform/web/browser/browser.h"

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

// The page's status line: "sending", then "sent", "refused" or "failed".
EM_JS(void, v2ExchangeStatus, (const char* state), {
    if (Module.v2ExchangeStatus) Module.v2ExchangeStatus(UTF8ToString(state));
});

namespace platform {

struct HttpSession {
    // every request so far was sent and answered, so nothing is left to send again
    bool allTaken = true;
    // a score was turned down for good (a refused proof, a name the server will not list)
    bool turnedDown = false;
};

HttpSession* httpOpen(const std::string&) {
    web::setExchanging(true);
    v2ExchangeStatus("sending");
    return new HttpSession;
}

HttpRequest* httpSend(HttpSession* session, const std::string& url, const std::string* send,
                      long timeoutMs) {
    if (session == nullptr) return nullptr;
    if (timeoutMs <= 0) {
        session->allTaken = false;  // no time left to send it
        return nullptr;
    }
    trace(std::string(send != nullptr ? "http POST " : "http GET ") + url);
    char* body = nullptr;
    int length = 0;
    const int status = v2Fetch(url.c_str(), static_cast<int>(std::min<long>(timeoutMs, INT_MAX)),
                               static_cast<int>(kHttpMaxBody), &body, &length,
                               send != nullptr ? send->data() : nullptr,
                               send != nullptr ? static_cast<int>(send->size()) : 0);
    // A record POSTed ahead of its score and turned down (404 or 405 from a server that knows
    // nothing of records, 413 for one too large) goes no further: the score then goes up
    // without it, and that upload's own answer tells how the exchange went.
    if (!httpSucceeded(status)) {
        if (!httpTurnedDownForGood(status)) session->allTaken = false;
        else if (send == nullptr) session->turnedDown = true;
    }
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

void httpClose(HttpSession* session) {
    if (session == nullptr) return;
    v2ExchangeStatus(!session->allTaken ? "failed" : session->turnedDown ? "refused" : "sent");
    web::setExchanging(false);
    delete session;
}

}  // namespace platform
