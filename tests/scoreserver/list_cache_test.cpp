// The list cache's one promise that timing hides: a reader who asks after a change is never
// given a list read before it, even while an older read is still under way.
#include "server/list_cache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <future>
#include <memory>
#include <mutex>

namespace {

// Scores in memory; a read takes its snapshot when it starts and then waits while reads are
// held, as a database read caught behind a slow disk would.
class HeldStore : public ScoreStore {
  public:
    bool ok() const override { return true; }
    std::string error() const override { return ""; }
    RecordOutcome record(const std::string& name, uint32_t score, const std::string&,
                         StoreCall&) override {
        std::lock_guard lock(mutex);
        records.push_back({name, score});
        std::stable_sort(
            records.begin(), records.end(),
            [](const ScoreRecord& a, const ScoreRecord& b) { return a.score > b.score; });
        return RecordOutcome::Recorded;
    }
    std::optional<std::vector<ScoreRecord>> read(int, StoreCall& call) override {
        std::unique_lock lock(mutex);
        std::vector<ScoreRecord> snapshot = records;
        ++started;
        startedWake.notify_all();
        if (!released.wait_until(lock, call.deadline, [this] { return !held; }))
            return std::nullopt;
        return snapshot;
    }
    long trim(long, StoreCall&) override { return 0; }

    void hold(bool on) {
        std::lock_guard lock(mutex);
        held = on;
        released.notify_all();
    }
    void waitForReads(int count) {
        std::unique_lock lock(mutex);
        startedWake.wait(lock, [&] { return started >= count; });
    }

  private:
    std::mutex mutex;
    std::condition_variable released, startedWake;
    std::vector<ScoreRecord> records;
    bool held = false;
    int started = 0;
};

std::string names(const ListView& view) {
    if (!view.snapshot) return "<none>";
    std::string text;
    for (const ScoreRecord& record : view.snapshot->all.records) text += record.name;
    return view.age >= 0 ? text + " (old)" : text;
}

// The list a reader asking now gets, however it comes.
std::future<std::string> ask(ListCache& cache) {
    auto promise = std::make_shared<std::promise<std::string>>();
    std::future<std::string> answer = promise->get_future();
    ListView now;
    if (cache.get(now, [promise](const ListView& later) { promise->set_value(names(later)); }))
        promise->set_value(names(now));
    return answer;
}

}  // namespace

TEST(ListCacheTest, AReaderAfterAChangeNeverGetsAListReadBeforeIt) {
    HeldStore store;
    auto workers = std::make_unique<StoreWorkers>(2, 16);  // joined before the cache goes
    ListCache cache(store, *workers, std::chrono::seconds(10), std::chrono::seconds(60));
    store.ScoreStore::record("A", 5);
    EXPECT_EQ(ask(cache).get(), "A");
    EXPECT_EQ(ask(cache).get(), "A");  // from the cache: no second read
    store.hold(true);

    store.ScoreStore::record("B", 7);
    cache.recorded(7);
    std::future<std::string> first = ask(cache);  // its read starts now and is held
    store.waitForReads(2);
    store.ScoreStore::record("C", 9);
    cache.recorded(9);
    std::future<std::string> second = ask(cache);  // must not share the held read
    store.hold(false);
    EXPECT_EQ(first.get(), "BA");
    EXPECT_EQ(second.get(), "CBA");
    EXPECT_EQ(ask(cache).get(), "CBA");
    workers.reset();
}

TEST(ListCacheTest, AFailedReadGivesTheLastWholeListAsOldNeverAnEmptyOne) {
    HeldStore store;
    auto workers = std::make_unique<StoreWorkers>(2, 16);
    ListCache cache(store, *workers, std::chrono::milliseconds(50), std::chrono::seconds(60));
    ListCache fresh(store, *workers, std::chrono::milliseconds(50), std::chrono::seconds(60));
    store.ScoreStore::record("A", 5);
    EXPECT_EQ(ask(cache).get(), "A");
    store.hold(true);  // every read now misses its deadline
    store.ScoreStore::record("B", 7);
    cache.recorded(7);
    EXPECT_EQ(ask(cache).get(), "A (old)");
    EXPECT_EQ(ask(fresh).get(), "<none>");  // a cache that never read has nothing to give
    store.hold(false);
    workers.reset();
}
