// ListCache: versions, the one shared read and the older list while the store does not answer.
#include "server/list_cache.h"

#include "server/leaderboard.h"
#include "server/score_rules.h"

namespace {

// After a read failed, readers get the older list at once for this long instead of each waiting
// out another deadline.
constexpr auto kRetryPause = std::chrono::seconds(1);

ListSnapshot::Board makeBoard(std::vector<ScoreRecord> records, bool oneSitting,
                              bool anyPace = false) {
    ListSnapshot::Board board;
    board.html =
        std::make_shared<const std::string>(leaderboardHtml(records, -1, oneSitting, anyPace));
    board.json = std::make_shared<const std::string>(leaderboardJson(records));
    board.records = std::move(records);
    return board;
}

std::shared_ptr<const ListSnapshot> makeSnapshot(ListRows rows, uint64_t version) {
    auto made = std::make_shared<ListSnapshot>();
    made->text = std::make_shared<const std::string>(formatList(rows.all));
    made->all = makeBoard(std::move(rows.all), false);
    made->oneSitting = makeBoard(std::move(rows.oneSitting), true);
    made->anyPace = makeBoard(std::move(rows.anyPace), false, true);
    made->version = version;
    return made;
}

}  // namespace

ListCache::ListCache(ScoreStore& scoreStore, StoreWorkers& storeWorkers,
                     std::chrono::milliseconds deadline, std::chrono::seconds age)
    : store(scoreStore), workers(storeWorkers), readDeadline(deadline), maxAge(age) {}

bool ListCache::get(ListView& now, Deliver later) {
    std::lock_guard lock(mutex);
    if (snapshot && snapshot->version == wanted) {
        now = {snapshot, -1};
        return true;
    }
    const Clock::time_point time = Clock::now();
    if (!reading && lastFailure != Clock::time_point{} && time - lastFailure < kRetryPause) {
        now = staleView(time);
        return true;
    }
    waiters.push_back({wanted, std::move(later)});
    if (reading) return false;
    startRead();
    if (reading) return false;
    waiters.clear();  // the workers are full: nothing to wait for
    now = staleView(time);
    return true;
}

std::shared_ptr<const ListSnapshot> ListCache::current() {
    std::lock_guard lock(mutex);
    return snapshot && snapshot->version == wanted ? snapshot : nullptr;
}

void ListCache::changed() {
    std::lock_guard lock(mutex);
    if (snapshot && snapshot->version == wanted) trueUntil = Clock::now();
    ++wanted;
}

void ListCache::recorded(uint32_t score) {
    {
        std::lock_guard lock(mutex);
        // The last listed score only ever rises (rows are only added, and only unlisted ones
        // trimmed), so an older list's last score is a safe bar too.
        // Every board: a game of one sitting or below full pace may reach one and not another.
        const auto below = [score](const ListSnapshot::Board& board) {
            return board.records.size() >= static_cast<size_t>(kListLength) &&
                   score <= board.records.back().score;
        };
        if (snapshot && below(snapshot->all) && below(snapshot->oneSitting) &&
            below(snapshot->anyPace))
            return;  // below the lists, or tied with their last: equal scores rank by age
    }
    changed();
}

void ListCache::startRead() {
    reading = true;
    const uint64_t version = wanted;
    const Clock::time_point started = Clock::now();
    auto call = std::make_shared<StoreCall>(Clock::now() + readDeadline);
    StoreWorkers::Task task{
        call,
        [this, version, started](StoreCall& made) {
            // Every board or none: one that failed fails the read.
            std::optional<ListRows> rows;
            if (std::optional<std::vector<ScoreRecord>> all = store.read(kListLength, made))
                if (std::optional<std::vector<ScoreRecord>> oneSitting =
                        store.readOneSitting(kListLength, made))
                    if (std::optional<std::vector<ScoreRecord>> anyPace =
                            store.readAnyPace(kListLength, made))
                        rows =
                            ListRows{std::move(*all), std::move(*oneSitting), std::move(*anyPace)};
            const bool answering = made.claimFinish();
            finishRead(version, started, std::move(rows), answering);
        },
        [this, version, started] { finishRead(version, started, std::nullopt, true); }};
    if (!workers.submit(std::move(task))) reading = false;
}

// Adopts what the read found; when `answering`, gives each waiter the list it needs (or the
// older one on a failure) and reads again for those that need a newer one.
void ListCache::finishRead(uint64_t version, Clock::time_point started,
                           std::optional<ListRows> records, bool answering) {
    std::vector<std::pair<Deliver, ListView>> ready;
    {
        std::lock_guard lock(mutex);
        const Clock::time_point now = Clock::now();
        if (records && (!snapshot || version > snapshot->version)) {
            snapshot = makeSnapshot(std::move(*records), version);
            // Already overtaken by a change: it was true at least when the read began.
            if (version != wanted) trueUntil = started;
        } else if (!records) {
            lastFailure = now;
        }
        if (!answering) return;
        reading = false;
        std::vector<Waiter> waiting;
        for (Waiter& waiter : waiters) {
            if (snapshot && snapshot->version >= waiter.needs)
                ready.emplace_back(std::move(waiter.deliver), ListView{snapshot, -1});
            else if (!records)
                ready.emplace_back(std::move(waiter.deliver), staleView(now));
            else
                waiting.push_back(std::move(waiter));
        }
        waiters = std::move(waiting);
        if (!waiters.empty()) {
            startRead();
            if (!reading) {
                for (Waiter& waiter : waiters)
                    ready.emplace_back(std::move(waiter.deliver), staleView(now));
                waiters.clear();
            }
        }
    }
    for (auto& [deliver, view] : ready) deliver(view);
}

ListView ListCache::staleView(Clock::time_point now) const {
    if (!snapshot) return {};
    if (snapshot->version == wanted) return {snapshot, -1};
    const auto age = std::chrono::duration_cast<std::chrono::seconds>(now - trueUntil);
    if (age > maxAge) return {};
    return {snapshot, static_cast<long>(age.count())};
}
