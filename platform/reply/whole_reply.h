// A reply held whole in memory and read out in pieces: how the desktop's internet client and the
// browser's fetch both hand their replies to the program.
#pragma once
#include <cstddef>
#include <string>

namespace platform {

struct HttpRequest {
    std::string body;  // at most kHttpMaxBody bytes
    size_t readAt = 0;
    long status = 0;
};

}  // namespace platform
