// The request head judged before anything is answered: a message whose end two readers could
// place differently (a proxy in front and this server) is refused and its connection closed, so
// that bytes hidden after it never run as a request of their own.
#pragma once
#include <cstddef>
#include <string_view>
#include <vector>

struct HeaderField {
    std::string_view name;
    std::string_view value;
};

struct HeadVerdict {
    unsigned status =
        0;  // 0: the head is sound; else 400 or 501, answered with the connection closed
    const char* reason = "";  // the answer's one line
};

// True when the raw request target holds no space, control character or DEL.
bool cleanRequestTarget(std::string_view target);

// A request head as the HTTP library took it apart.
struct RequestHead {
    std::string_view method;
    size_t targetBytes = 0;           // of the target as it came, up to any NUL
    bool targetClean = true;          // see cleanRequestTarget
    std::string_view version;         // "HTTP/1.1"
    std::vector<HeaderField> fields;  // every header line in order, repeats included
    size_t receivedBytes = 0;         // of the whole head as it came on the wire; 0: not known
};

// Refused: a target that is not clean; a header name that is not a token or a value with a
// control character (tab aside); Content-Length more than once, or beside Transfer-Encoding; any
// transfer coding but a single chunked (501); in HTTP/1.1 a Host line missing or repeated, and
// in any version a repeated Host; and a head longer on the wire than its parts written plainly
// ("NAME: VALUE" and CRLF each), which is how a line folded onto the next or a value cut at a NUL
// shows: the library keeps only part of such a line, and what it drops could frame the request
// differently for a reader in front.
HeadVerdict judgeRequestHead(const RequestHead& head);
