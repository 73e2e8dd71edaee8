// ListCache: the best 100 as the store last gave them, with the list reply, the leaderboard page
// and its JSON made once per list. It is read again only when the list may have changed (a
// score recorded here that reaches it, or word from another server), by one read at a time that
// every waiting reader shares. When that read fails, readers get the last whole list and its
// age, for a while, and then nothing: never an empty or partial list in place of an error.
#pragma once
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "server/score_store.h"
#include "server/store_workers.h"

struct ListSnapshot {
    // A leaderboard: its rows, page and JSON.
    struct Board {
        std::vector<ScoreRecord> records;
        std::shared_ptr<const std::string> html, json;
    };
    Board all;                                // the best 100, as the list reply gives them
    Board oneSitting;                         // the best 100 proven games of one sitting
    Board anyPace;                            // the best 100 at every pace, each with its pace
    std::shared_ptr<const std::string> text;  // the list reply
    uint64_t version = 0;                     // the changes it includes
};

// What one read of the store gives: every board's rows, or nothing.
struct ListRows {
    std::vector<ScoreRecord> all, oneSitting, anyPace;
};

// What a reader gets: the current list (age < 0), an older one `age` seconds old, or none.
struct ListView {
    std::shared_ptr<const ListSnapshot> snapshot;
    long age = -1;
};

class ListCache {
  public:
    using Clock = StoreCall::Clock;
    using Deliver = std::function<void(const ListView&)>;

    ListCache(ScoreStore& store, StoreWorkers& workers, std::chrono::milliseconds readDeadline,
              std::chrono::seconds maxAge);

    // True with `now` filled when the answer is at hand; otherwise `later` gets it once, from a
    // store worker or the deadline watch.
    bool get(ListView& now, Deliver later);
    // The current list, when there is one: what almost every reader gets, with nothing to set
    // up for waiting.
    std::shared_ptr<const ListSnapshot> current();
    // The list may have changed.
    void changed();
    // This process recorded `score`: a change only when the score can reach the list.
    void recorded(uint32_t score);

  private:
    struct Waiter {
        uint64_t needs;
        Deliver deliver;
    };
    void startRead();  // with mutex held
    void finishRead(uint64_t version, Clock::time_point started, std::optional<ListRows> rows,
                    bool answering);
    ListView staleView(Clock::time_point now) const;  // with mutex held

    ScoreStore& store;
    StoreWorkers& workers;
    const std::chrono::milliseconds readDeadline;
    const std::chrono::seconds maxAge;

    std::mutex mutex;  // everything below
    std::shared_ptr<const ListSnapshot> snapshot;
    uint64_t wanted = 1;            // bumped by every change; a snapshot of this version is current
    Clock::time_point trueUntil;    // when the snapshot stopped being known current
    Clock::time_point lastFailure;  // of a read, so that readers do not queue up behind the next
    bool reading = false;
    std::vector<Waiter> waiters;
};
