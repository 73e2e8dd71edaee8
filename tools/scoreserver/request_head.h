// The request head judged before anything is answered: a message whose end two readers could
// place differently (a proxy in front and this server) is refused and its connection closed, so
// that bytes hidden after it never run as a request of their own.
#pragma once
#include <string_view>
#include <vector>

struct HeaderField {
    std::string_view name;
    std::string_view value;
};

struct HeadVerdict {
    unsigned status = 0;     // 0: the head is sound; else 400 or 501, answered with the connection closed
    const char* reason = "";  // the answer's one line
};

// True when the raw request target holds no space, control character or DEL.
bool cleanRequestTarget(std::string_view target);

// `version` as on the request line ("HTTP/1.1"); `fields` every header line in order, repeats
// included. Refused: a target that is not clean; a header name that is not a token or a value
// with a control character (tab aside); Content-Length more than once, or beside
// Transfer-Encoding; any transfer coding but a single chunked (501); in HTTP/1.1 a Host line
// missing or repeated, and in any version a repeated Host.
HeadVerdict judgeRequestHead(std::string_view version, bool targetClean,
                             const std::vector<HeaderField>& fields);
