// The token buckets, refilled lazily when their client comes back.
#include "server/upload_rate.h"

#include <algorithm>
#include <cmath>

unsigned UploadRate::take(const std::string& client, Clock::time_point now) {
    if (rate <= 0) return 0;
    std::lock_guard lock(mutex);
    auto found = buckets.find(client);
    if (found == buckets.end()) {
        if (buckets.size() >= kMostClients) forgetFullBuckets(now);
        // With every bucket still in use the newcomer goes uncounted rather than refused: so
        // many clients at once cannot be told apart from one another anyway.
        if (buckets.size() >= kMostClients) return 0;
        found = buckets.emplace(client, Bucket{capacity, now}).first;
    }
    Bucket& bucket = found->second;
    const double elapsed = std::chrono::duration<double>(now - bucket.at).count();
    bucket.tokens = std::min(capacity, bucket.tokens + std::max(0.0, elapsed) * rate);
    bucket.at = now;
    if (bucket.tokens >= 1) {
        bucket.tokens -= 1;
        return 0;
    }
    return static_cast<unsigned>(std::ceil((1 - bucket.tokens) / rate));
}

// A bucket that has filled up again holds nothing a fresh one would not.
void UploadRate::forgetFullBuckets(Clock::time_point now) {
    for (auto it = buckets.begin(); it != buckets.end();) {
        const double elapsed = std::chrono::duration<double>(now - it->second.at).count();
        if (it->second.tokens + elapsed * rate >= capacity)
            it = buckets.erase(it);
        else
            ++it;
    }
}
