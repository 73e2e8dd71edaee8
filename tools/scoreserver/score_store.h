// ScoreStore: where the server keeps the recorded scores. A SQLite file is the embedded default;
// a postgresql:// (or postgres://) address keeps them in a PostgreSQL database that any number
// of server processes may share.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct ScoreRecord {
    std::string name;  // UTF-8
    uint32_t score = 0;
};

class ScoreStore {
  public:
    virtual ~ScoreStore() = default;

    // Whether the store opened; error() tells why not, or why the last call failed.
    virtual bool ok() const = 0;
    virtual std::string error() const = 0;

    // True once the score is committed, or when an upload with this non-empty id was recorded
    // before (a retry: no second row). Safe from any thread.
    virtual bool record(const std::string& name, uint32_t score,
                        const std::string& uploadId = {}) = 0;
    // The best `count` scores, highest first; equal scores in the order they were recorded.
    // Safe from any thread.
    virtual std::vector<ScoreRecord> best(int count) = 0;
};

// The store for --db: a PostgreSQL address, or else the path of a SQLite file (made when new).
// Never null; check ok().
std::unique_ptr<ScoreStore> openScoreStore(const std::string& db);
