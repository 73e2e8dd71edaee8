// StoreWorkers: one queue, one deadline map, the worker threads and the watch.
#include "server/store_workers.h"

struct StoreWorkers::Entry {
    Task task;
    std::multimap<Clock::time_point, std::shared_ptr<Entry>>::iterator place;
};

StoreWorkers::StoreWorkers(unsigned threads, size_t limit) : queueLimit(limit) {
    for (unsigned i = 0; i < threads; ++i) workers.emplace_back([this] { work(); });
    watcher = std::thread([this] { watch(); });
}

StoreWorkers::~StoreWorkers() {
    stop();
    for (std::thread& worker : workers) worker.join();
    watcher.join();
}

bool StoreWorkers::submit(Task task) {
    std::lock_guard lock(mutex);
    if (stopping || queue.size() >= queueLimit) return false;
    auto entry = std::make_shared<Entry>(Entry{std::move(task), {}});
    const bool earliest = open.empty() || entry->task.call->deadline < open.begin()->first;
    entry->place = open.emplace(entry->task.call->deadline, entry);
    queue.push_back(entry);
    queued.notify_one();
    if (earliest) deadlines.notify_one();
    return true;
}

void StoreWorkers::stop() {
    std::vector<std::shared_ptr<Entry>> all;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        for (auto& [deadline, entry] : open) all.push_back(entry);
        queued.notify_all();
        deadlines.notify_all();
    }
    for (const auto& entry : all)
        if (entry->task.call->claimLate()) entry->task.late();
}

void StoreWorkers::forget(const std::shared_ptr<Entry>& entry) {
    std::lock_guard lock(mutex);
    if (entry->place != open.end()) {
        open.erase(entry->place);
        entry->place = open.end();
    }
}

void StoreWorkers::work() {
    for (;;) {
        std::shared_ptr<Entry> entry;
        {
            std::unique_lock lock(mutex);
            queued.wait(lock, [this] { return stopping || !queue.empty(); });
            if (queue.empty()) return;  // stopping, and nothing left to run
            entry = std::move(queue.front());
            queue.pop_front();
        }
        // A call answered late while it queued is not made at all.
        if (!entry->task.call->late()) entry->task.run(*entry->task.call);
        forget(entry);
    }
}

void StoreWorkers::watch() {
    std::unique_lock lock(mutex);
    while (!stopping) {
        if (open.empty()) {
            deadlines.wait(lock);
            continue;
        }
        const Clock::time_point next = open.begin()->first;
        if (Clock::now() < next) {
            deadlines.wait_until(lock, next);
            continue;
        }
        std::vector<std::shared_ptr<Entry>> due;
        while (!open.empty() && open.begin()->first <= Clock::now()) {
            due.push_back(open.begin()->second);
            due.back()->place = open.end();
            open.erase(open.begin());
        }
        lock.unlock();
        for (const auto& entry : due)
            if (entry->task.call->claimLate()) entry->task.late();
        lock.lock();
    }
}
