// ScoreStore: where the server keeps the recorded scores. A SQLite file is the embedded default;
// a postgresql:// (or postgres://) address keeps them in a PostgreSQL database that any number
// of server processes may share. Every call has a deadline (a StoreCall) and says plainly when
// it failed: a list is whole or not given at all.
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "server/store_call.h"

struct ScoreRecord {
    std::string name;  // UTF-8
    uint32_t score = 0;
    bool proven = false;    // its game was played again here and ended with this score
    std::string replay{};   // a proven row's record id (for /replays/ID); else empty
    uint32_t sessions = 0;  // a proven row's sittings (its record's sessions); 0: not known
    uint32_t pace = 100;    // the percent of full pace a proven row's game was played at
    bool operator==(const ScoreRecord&) const = default;
};

// What a proven upload stores beside its score.
struct ProvenGame {
    std::string key;         // the game's identity: a game is accepted once, whatever its bytes
    std::string id;          // the record's id (the SHA-256 of its bytes)
    std::string record;      // the bytes, kept for watching
    uint32_t sessions = 0;   // the sittings the record holds: more than one continued a saved game
    uint32_t pace = 100;     // the pace it was played at (its slowest session's), in percent
    std::string levelSet{};  // the level set it was played on (its id); empty: the built-in set
};

// A level set published to the server, as its list shows it.
struct LevelSetRow {
    std::string id;  // the SHA-256 of its file, in hex
    std::string name;
    int64_t published = 0;  // Unix seconds
    uint32_t provenGames = 0;
    uint32_t best = 0;  // the best proven score on it (0 with no proven game)
};

enum class PublishOutcome {
    Published,  // stored
    Known,      // stored before (by anyone): the same id answers
    Hidden,     // stored before and hidden by the operator: not served again
    Full,       // the store holds as many sets as it may
    Failed,     // an error or the deadline: nothing stored
};

// A record POSTed ahead of its upload, as the store holds it for any server of a deployment.
struct HeldRecord {
    std::string id;  // the SHA-256 of its bytes, in hex
    std::string bytes;
    std::string client;   // who sent it first: its share is charged
    int64_t expires = 0;  // Unix seconds
};

// What one client may have held at once.
struct RecordShare {
    unsigned count = 0;
    size_t bytes = 0;
};

enum class KeepOutcome {
    Kept,    // held (or held already: one copy whoever sent it)
    Full,    // the client's share is taken: nothing held
    Failed,  // an error or the deadline: nothing held
};

// A record an upload names: its bytes while held, and the game it was proven to be, when it
// was.
struct ProofLookup {
    bool answered = false;  // false: an error or the deadline; the rest says nothing
    std::optional<std::string> bytes;
    struct Proven {
        std::string key;
        uint32_t score = 0;
    };
    std::optional<Proven> proven;
};

enum class RecordOutcome {
    Recorded,  // committed
    Repeated,  // this id was recorded before with the same name and score: no second row
    Conflict,  // this id was recorded before with another name or score, or with a proof
               // where the row has none or the other way round: nothing stored
    Late,      // the deadline passed before the commit was sent: nothing stored
    Failed,    // an error; nothing stored, or (when the commit's answer was lost) a row that
               // a retry with the same id finds
    Used,      // a proven upload whose game was accepted before under another upload id
    NoRecord,  // a proven upload's new row without its record (known proven, no longer held):
               // nothing stored
};

class ScoreStore {
  public:
    virtual ~ScoreStore() = default;

    // Whether the store opened; error() tells why not, or why the last call failed.
    virtual bool ok() const = 0;
    virtual std::string error() const = 0;

    // Records a score; an upload with a non-empty id is stored at most once. Safe from any
    // thread.
    virtual RecordOutcome record(const std::string& name, uint32_t score,
                                 const std::string& uploadId, StoreCall& call) = 0;
    // Records a proven score and remembers its game's key for good (trimming never forgets
    // it), and the record's id with that key and score, so the record is never played again:
    // the same game under another upload id (or none) is Used. Safe from any thread.
    virtual RecordOutcome recordProven(const std::string& name, uint32_t score,
                                       const std::string& uploadId, const ProvenGame& game,
                                       StoreCall& call) {
        (void)name, (void)score, (void)uploadId, (void)game, (void)call;
        return RecordOutcome::Failed;
    }
    // The record of a proven row by its id, or nothing (none, an error, or late).
    virtual std::optional<std::string> replay(const std::string& id, StoreCall& call) {
        (void)id, (void)call;
        return std::nullopt;
    }
    // Holds a record for its upload unless `record.client` would hold more than `share` of
    // unexpired records with it. Safe from any thread.
    virtual KeepOutcome keepRecord(const HeldRecord& record, const RecordShare& share, int64_t now,
                                   StoreCall& call) {
        (void)record, (void)share, (void)now, (void)call;
        return KeepOutcome::Failed;
    }
    // The held record `id` (unless expired by `now`) and the game it was proven to be. Safe
    // from any thread.
    virtual ProofLookup lookUpRecord(const std::string& id, int64_t now, StoreCall& call) {
        (void)id, (void)now, (void)call;
        return {};
    }
    // Lets go of a held record (its upload was answered), or of every record expired by
    // `now` when `id` is empty; false on an error.
    virtual bool dropRecords(const std::string& id, int64_t now, StoreCall& call) {
        (void)id, (void)now, (void)call;
        return false;
    }
    // Level sets: publishing one (its file checked by the caller) unless `maxSets` shown sets
    // are stored already; the shown sets, newest first; the file of a shown set (nullopt on an
    // error, an empty string when there is no such set or it is hidden); hiding one (false on an
    // error; `found` tells whether there was such a set). The proven games of one set, best
    // first. Safe from any thread.
    virtual PublishOutcome publishSet(const std::string& id, const std::string& name,
                                      const std::string& file, int64_t now, unsigned maxSets,
                                      StoreCall& call) {
        (void)id, (void)name, (void)file, (void)now, (void)maxSets, (void)call;
        return PublishOutcome::Failed;
    }
    virtual std::optional<std::vector<LevelSetRow>> listSets(StoreCall& call) {
        (void)call;
        return std::nullopt;
    }
    virtual std::optional<std::string> setFile(const std::string& id, StoreCall& call) {
        (void)id, (void)call;
        return std::nullopt;
    }
    // The name of a shown set: nullopt on an error, an empty string when there is none.
    virtual std::optional<std::string> setName(const std::string& id, StoreCall& call) {
        (void)id, (void)call;
        return std::nullopt;
    }
    virtual bool hideSet(const std::string& id, bool& found, StoreCall& call) {
        (void)id, (void)found, (void)call;
        return false;
    }
    virtual std::optional<std::vector<ScoreRecord>> readSet(const std::string& id, int count,
                                                            StoreCall& call) {
        (void)id, (void)count, (void)call;
        return std::nullopt;
    }

    // Whether read() lists unproven rows too (the default) or proven ones only.
    void listUnproven(bool all) { unprovenListed = all; }
    bool listsUnproven() const { return unprovenListed; }

    // The best `count` scores of the built-in set, highest first, equal scores in the order they
    // were recorded; nothing on an error or when the deadline passed. Safe from any thread.
    // Games played at full pace only: a game played slower is listed by readAnyPace.
    virtual std::optional<std::vector<ScoreRecord>> read(int count, StoreCall& call) = 0;
    // The same for proven games played in one sitting only (none in a store that keeps no
    // proven games).
    virtual std::optional<std::vector<ScoreRecord>> readOneSitting(int count, StoreCall& call);
    // The same as read() for games at every pace, each with its pace (none in a store that
    // keeps no proven games).
    virtual std::optional<std::vector<ScoreRecord>> readAnyPace(int count, StoreCall& call);
    // Deletes the lowest-ranked rows beyond the best `keep`, sparing the best `keep` of every
    // board too (full pace, one sitting; a bounded batch at a time); the number deleted, or -1.
    // Safe from any thread.
    virtual long trim(long keep, StoreCall& call) = 0;
    // Whether the store answers, reads and writes alike, before the call's deadline; nothing is
    // written.
    virtual bool probe(StoreCall& call) { return read(1, call).has_value(); }
    // Calls `changed` (from a thread of the store's own) whenever another process may have
    // changed the list, and once more whenever the store cannot tell; an empty function ends
    // the watch. A store that only this process writes never calls it.
    virtual void watchOthers(std::function<void()> changed) { (void)changed; }
    // Whether another process may write the same scores.
    virtual bool shared() const { return false; }

    // The same without a deadline, for tools and tests: true when recorded (or repeated).
    bool record(const std::string& name, uint32_t score, const std::string& uploadId = {});
    // The list, or an empty one on an error.
    std::vector<ScoreRecord> best(int count);
    std::vector<ScoreRecord> bestOneSitting(int count);
    std::vector<ScoreRecord> bestAnyPace(int count);

  private:
    std::atomic<bool> unprovenListed{true};
};

// The store for --db: a PostgreSQL address, or else the path of a SQLite file (made when new).
// Never null; check ok().
std::unique_ptr<ScoreStore> openScoreStore(const std::string& db);
