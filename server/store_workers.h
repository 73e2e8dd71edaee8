// StoreWorkers: a few threads that make the store's calls, so that the threads serving HTTP
// never wait on the database, and a watch that answers each call at its deadline when the
// store has not. The queue is bounded: beyond it a call is refused at once.
#pragma once
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "server/store_call.h"

class StoreWorkers {
  public:
    struct Task {
        std::shared_ptr<StoreCall> call;
        // Runs on a worker; gives its answer only when call->claimFinish() succeeds.
        std::function<void(StoreCall&)> run;
        // Gives the answer for a call whose deadline came first (call->claimLate() succeeded).
        std::function<void()> late;
    };

    StoreWorkers(unsigned threads, size_t queueLimit);
    ~StoreWorkers();  // answers every call still waiting as late, then joins the threads
    StoreWorkers(const StoreWorkers&) = delete;
    StoreWorkers& operator=(const StoreWorkers&) = delete;

    // False (and nothing runs or answers) when the queue is full or the workers are stopping.
    bool submit(Task task);
    // Answers every call not yet being committed as late; no new call is taken.
    void stop();

  private:
    using Clock = StoreCall::Clock;
    struct Entry;
    void work();
    void watch();
    void forget(const std::shared_ptr<Entry>& entry);

    const size_t queueLimit;
    std::mutex mutex;  // everything below
    std::condition_variable queued;
    std::condition_variable deadlines;
    std::deque<std::shared_ptr<Entry>> queue;
    std::multimap<Clock::time_point, std::shared_ptr<Entry>> open;  // queued or running
    bool stopping = false;
    std::vector<std::thread> workers;
    std::thread watcher;
};
