// Framing checks over the header lines as the server received them.
#include "server/request_head.h"

#include "server/header_text.h"
#include "server/http_status.h"

#include <cctype>

namespace {

bool tokenCharacter(unsigned char c) {
    if (std::isalnum(c)) return true;
    for (const char allowed : std::string_view("!#$%&'*+-.^_`|~"))
        if (c == static_cast<unsigned char>(allowed)) return true;
    return false;
}

bool token(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (!tokenCharacter(static_cast<unsigned char>(c))) return false;
    return true;
}

bool cleanValue(std::string_view value) {
    for (const char c : value) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u == 0x7F) return false;
    }
    return true;
}

}  // namespace

bool cleanRequestTarget(std::string_view target) {
    for (const char c : target) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7F) return false;
    }
    return true;
}

HeadVerdict judgeRequestHead(const RequestHead& head) {
    if (!head.targetClean) return {kBadRequest, "malformed request target"};
    // "METHOD TARGET VERSION" CRLF, each line, and the empty line that ends the head.
    size_t plainBytes = head.method.size() + 1 + head.targetBytes + 1 + head.version.size() + 2 + 2;
    int lengths = 0, codings = 0, hosts = 0;
    std::string_view coding;
    for (const HeaderField& field : head.fields) {
        plainBytes += field.name.size() + 2 + field.value.size() + 2;
        if (!token(field.name) || !cleanValue(field.value))
            return {kBadRequest, "malformed header line"};
        if (equalsIgnoringCase(field.name, "Content-Length")) ++lengths;
        if (equalsIgnoringCase(field.name, "Host")) ++hosts;
        if (equalsIgnoringCase(field.name, "Transfer-Encoding")) {
            ++codings;
            coding = trim(field.value);
        }
    }
    // Even two equal lengths are refused: some reader in front may have combined or dropped one.
    if (lengths > 1) return {kBadRequest, "Content-Length repeated"};
    if (lengths == 1 && codings > 0) return {kBadRequest, "Content-Length with Transfer-Encoding"};
    if (codings > 1 || (codings == 1 && !equalsIgnoringCase(coding, "chunked")))
        return {kNotImplemented, "transfer coding not supported"};
    if (hosts > 1 || (hosts == 0 && head.version == "HTTP/1.1"))
        return {kBadRequest, "Host expected once"};
    if (head.receivedBytes > plainBytes) return {kBadRequest, "malformed header line"};
    return {};
}
