// Stand-in for the internet client in the score-reply fuzz target: no network; every request
// is answered at once from a reply set by the target.
#include "fuzz/http_stub.h"

#include <algorithm>
#include <cstring>

#include "platform/http.h"

namespace fuzzing {
namespace {
std::string reply;
uint32_t uploadAnswers = 0;  // bit n: the n-th upload is answered with success
int uploads = 0;
}  // namespace

// Replies arrive in pieces of at most this many bytes, as a network delivers them.
constexpr size_t kPieceBytes = 1000;

void setHttpReply(uint32_t uploadSuccessBits, std::string body) {
    uploadAnswers = uploadSuccessBits;
    uploads = 0;
    reply = std::move(body);
}
}  // namespace fuzzing

namespace platform {

struct HttpSession {};
struct HttpRequest {
    long status = 0;
    std::string body;
    size_t at = 0;
};

HttpSession* httpOpen(const std::string&) {
    return new HttpSession;
}

HttpRequest* httpSend(HttpSession*, const std::string& url, const std::string* body, long) {
    auto* request = new HttpRequest;
    if (body != nullptr) {
        request->status = 404;  // a server that knows nothing of proofs
    } else if (url.find('?') != std::string::npos) {
        const int n = fuzzing::uploads++;
        request->status = n < 32 && ((fuzzing::uploadAnswers >> n) & 1) != 0 ? 200 : 500;
    } else {
        request->status = 200;
        request->body = fuzzing::reply;
    }
    return request;
}

long httpStatus(const HttpRequest* request) {
    return request != nullptr ? request->status : 0;
}

size_t httpRead(HttpRequest* request, char* buffer, size_t size) {
    const size_t n = std::min({size, request->body.size() - request->at, fuzzing::kPieceBytes});
    std::memcpy(buffer, request->body.data() + request->at, n);
    request->at += n;
    return n;
}

void httpCloseRequest(HttpRequest* request) {
    delete request;
}

void httpClose(HttpSession* session) {
    delete session;
}

}  // namespace platform
