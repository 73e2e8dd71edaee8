// StoreCall: one call to the score store and its deadline, shared by the worker that carries it
// out and the watch that answers the client when the deadline comes first. Exactly one of the
// two gives the answer; a write whose deadline answered first is never committed.
#pragma once
#include <atomic>
#include <chrono>

class StoreCall {
  public:
    using Clock = std::chrono::steady_clock;

    explicit StoreCall(Clock::time_point callDeadline) : deadline(callDeadline) {}
    // A call with no deadline worth speaking of, for callers that wait anyway.
    static StoreCall unhurried() { return StoreCall(Clock::now() + std::chrono::hours(1)); }
    StoreCall(const StoreCall& other) : deadline(other.deadline) {}

    // The worker's claim just before it sends a commit; false when the client was already told
    // the score is not recorded, in which case the worker rolls back.
    bool claimCommit() { return advance(kWaiting, kCommitting); }
    // The worker's claim to answer with what it found.
    bool claimFinish() { return advance(kWaiting, kFinished) || advance(kCommitting, kFinished); }
    // The watch's claim to answer "too late": only while nothing was sent to commit.
    bool claimLate() { return advance(kWaiting, kLate); }
    bool late() const { return state == kLate; }
    bool passed() const { return Clock::now() >= deadline; }

    const Clock::time_point deadline;

  private:
    static constexpr int kWaiting = 0, kCommitting = 1, kFinished = 2, kLate = 3;
    bool advance(int from, int to) { return state.compare_exchange_strong(from, to); }
    std::atomic<int> state{kWaiting};
};
