// Reading a reply held whole in memory (platform/http.h).
#include "platform/reply/whole_reply.h"

#include <algorithm>
#include <cstring>

#include "platform/http.h"

namespace platform {

long httpStatus(const HttpRequest* request) {
    return request == nullptr ? 0 : request->status;
}

size_t httpRead(HttpRequest* request, char* buffer, size_t size) {
    if (request == nullptr || buffer == nullptr) return 0;
    const size_t n = std::min(size, request->body.size() - request->readAt);
    std::memcpy(buffer, request->body.data() + request->readAt, n);
    request->readAt += n;
    return n;
}

void httpCloseRequest(HttpRequest* request) {
    delete request;
}

}  // namespace platform
