// The internet client over libcurl: one easy handle per session, each reply held whole in memory.
#include "platform/http.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <mutex>

#include "platform/reply/whole_reply.h"
#include "platform/trace.h"

namespace platform {

struct HttpSession {
    CURL* curl = nullptr;
    std::string agent;
};

namespace {

constexpr long kMaxRedirects = 0;  // a reply is taken as the server gives it

struct Transfer {
    std::string* body;
    bool capped = false;
};

// Keeps at most kHttpMaxBody bytes; a longer reply ends the transfer there.
size_t collectBody(char* data, size_t size, size_t count, void* user) {
    auto* transfer = static_cast<Transfer*>(user);
    const size_t bytes = size * count;
    const size_t room = kHttpMaxBody - transfer->body->size();
    transfer->body->append(data, std::min(bytes, room));
    if (bytes > room) {
        transfer->capped = true;
        return 0;  // tells curl to stop reading
    }
    return bytes;
}

bool globalInit() {
    static std::once_flag once;
    static bool ok = false;
    std::call_once(once, [] { ok = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
    return ok;
}

}  // namespace

HttpSession* httpOpen(const std::string& agent) {
    if (!globalInit()) return nullptr;
    CURL* curl = curl_easy_init();
    if (curl == nullptr) return nullptr;
    auto* session = new HttpSession{curl, agent};
    bool ok = curl_easy_setopt(curl, CURLOPT_USERAGENT, session->agent.c_str()) == CURLE_OK;
    // An empty proxy forces a direct connection whatever the environment says.
    ok = ok && curl_easy_setopt(curl, CURLOPT_PROXY, "") == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
#if LIBCURL_VERSION_NUM >= 0x075700
    // A name lookup that outlives the request is left to finish on its own thread instead of
    // being waited for, so a slow resolver cannot stretch a request past its time either.
    ok = ok && curl_easy_setopt(curl, CURLOPT_QUICK_EXIT, 1L) == CURLE_OK;
#endif
    ok = ok && curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, kMaxRedirects) == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody) == CURLE_OK;
    if (!ok) {
        httpClose(session);
        return nullptr;
    }
    return session;
}

// One request on the session's handle: a GET, or a POST of `body` when given.
HttpRequest* httpSend(HttpSession* session, const std::string& url, const std::string* body,
                      long timeoutMs) {
    if (session == nullptr || timeoutMs <= 0) return nullptr;  // 0 would mean no limit to curl
    trace(std::string(body != nullptr ? "http POST " : "http GET ") + url);
    // No "Expect: 100-continue": curl would wait up to a second for it before sending a body.
    curl_slist* headers = nullptr;
    if (body != nullptr) {
        headers = curl_slist_append(headers, "Content-Type: application/octet-stream");
        headers = curl_slist_append(headers, "Expect:");
    }
    auto* request = new HttpRequest;
    Transfer transfer{&request->body};
    // The total time covers everything, a trickling reply included (curl's low-speed limit is
    // off), so no server can hold a request past it.
    CURLcode result = curl_easy_setopt(session->curl, CURLOPT_CONNECTTIMEOUT_MS,
                                       std::min(kHttpConnectTimeoutMs, timeoutMs));
    if (result == CURLE_OK) result = curl_easy_setopt(session->curl, CURLOPT_TIMEOUT_MS, timeoutMs);
    if (result == CURLE_OK) result = curl_easy_setopt(session->curl, CURLOPT_URL, url.c_str());
    if (result == CURLE_OK) result = curl_easy_setopt(session->curl, CURLOPT_WRITEDATA, &transfer);
    if (result == CURLE_OK && body != nullptr) {
        result = curl_easy_setopt(session->curl, CURLOPT_POSTFIELDSIZE_LARGE,
                                  static_cast<curl_off_t>(body->size()));
        if (result == CURLE_OK)
            result = curl_easy_setopt(session->curl, CURLOPT_POSTFIELDS, body->data());
        if (result == CURLE_OK)
            result = curl_easy_setopt(session->curl, CURLOPT_HTTPHEADER, headers);
    }
    if (result == CURLE_OK) result = curl_easy_perform(session->curl);
    // Stopping at the size limit is a reply all the same.
    if (result == CURLE_WRITE_ERROR && transfer.capped) result = CURLE_OK;
    if (result == CURLE_OK)
        result = curl_easy_getinfo(session->curl, CURLINFO_RESPONSE_CODE, &request->status);
    curl_easy_setopt(session->curl, CURLOPT_WRITEDATA, nullptr);
    if (body != nullptr) {
        // The handle's next request is a GET again, with no body or headers of this one.
        curl_easy_setopt(session->curl, CURLOPT_HTTPHEADER, nullptr);
        curl_easy_setopt(session->curl, CURLOPT_HTTPGET, 1L);
        curl_slist_free_all(headers);
    }
    if (result != CURLE_OK) {
        delete request;
        return nullptr;
    }
    return request;
}

void httpClose(HttpSession* session) {
    if (session == nullptr) return;
    if (session->curl != nullptr) curl_easy_cleanup(session->curl);
    delete session;
}

}  // namespace platform
