// Reading the port a server program announces on the first line of its output.
#include "tests/support/port_line.h"

#include <poll.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>

int readAnnouncedPort(int fd, int waitMs) {
    std::string line;
    pollfd waiting{fd, POLLIN, 0};
    while (line.find('\n') == std::string::npos && ::poll(&waiting, 1, waitMs) > 0) {
        char buffer[128];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    line.resize(std::min(line.size(), line.find('\n')));  // the first line only
    const size_t colon = line.rfind(':');
    return colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
}
