// The counts, each dropped when it reaches zero so that the map holds only present clients.
#include "server/client_counts.h"

bool ClientCounts::enter(const std::string& client) {
    std::lock_guard lock(mutex);
    unsigned& count = held[client];
    if (count >= limit) return false;
    ++count;
    return true;
}

void ClientCounts::leave(const std::string& client) {
    std::lock_guard lock(mutex);
    const auto found = held.find(client);
    if (found == held.end()) return;
    if (--found->second == 0) held.erase(found);
}
