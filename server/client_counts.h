// ClientCounts: what one client holds open at once, by client key: its connections, or behind
// a trusted proxy the requests in progress that the proxy forwards for it.
#pragma once
#include <mutex>
#include <string>
#include <unordered_map>

class ClientCounts {
  public:
    explicit ClientCounts(unsigned most) : limit(most) {}
    // Counts one more for `client`; false (and not counted) when it holds `most` already.
    bool enter(const std::string& client);
    void leave(const std::string& client);

  private:
    const unsigned limit;
    std::mutex mutex;
    std::unordered_map<std::string, unsigned> held;
};
