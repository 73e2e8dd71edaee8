// Reading the port a server program announces on the first line of its output.
#pragma once

// Reads `fd` up to the first newline (waiting at most waitMs for each piece) and returns the
// number after the line's last ':' ("... listening on HOST:PORT"), or 0 when none came.
int readAnnouncedPort(int fd, int waitMs);
