// UploadRate: the scores one client may upload, a token bucket per client key. A player's whole
// table of pending scores fits in one burst; beyond it a client gets one score per 1/rate
// seconds, and is told how long to wait.
#pragma once
#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <unordered_map>

class UploadRate {
  public:
    using Clock = std::chrono::steady_clock;
    static constexpr size_t kMostClients = 100000;  // buckets held at once

    // `perSecond` 0 turns the limit off.
    UploadRate(double perSecond, unsigned burst) : rate(perSecond), capacity(burst) {}

    // 0 when `client` may upload one more score now (and it is counted), else the whole
    // seconds to wait before the next one.
    unsigned take(const std::string& client, Clock::time_point now = Clock::now());

  private:
    struct Bucket {
        double tokens;
        Clock::time_point at;
    };
    void forgetFullBuckets(Clock::time_point now);

    const double rate;
    const double capacity;
    std::mutex mutex;
    std::unordered_map<std::string, Bucket> buckets;
};
