// The request target ("/path?key=value&...") split into its path and query parameters, strictly:
// the server and the request fuzz target both read targets through this one function.
#pragma once
#include <map>
#include <optional>
#include <string>
#include <string_view>

struct RequestTarget {
    std::string path;       // percent-decoded
    bool hasQuery = false;  // a '?' was present, even with nothing after it
    std::multimap<std::string, std::string> params;  // keys and values percent-decoded
};

// Decodes %XX escapes (two hex digits) and, when plusIsSpace, '+' as a space. False on a '%'
// not followed by two hex digits; `out` is then unspecified.
bool percentDecode(std::string_view text, bool plusIsSpace, std::string& out);

// Nothing (a malformed target) when the path or a key or value has a bad escape, or a query
// part is not exactly one KEY=VALUE (no '=', a second '=' in the value, or an empty part
// between '&'s). An empty query ("/path?") has no parameters.
std::optional<RequestTarget> parseRequestTarget(std::string_view target);
