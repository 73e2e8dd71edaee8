// ProofKeeper: the records POSTed ahead of their uploads, held in memory under their ids (the
// hex SHA-256 of the bytes) until the upload naming one takes it or it grows old. Bounded in
// count and bytes: a full keeper drops its oldest record first, so a flood of records costs
// the server no more than the bound and the honest game's retry sends its record again.
#pragma once
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

struct ProofLimits {
    size_t maxBytes = 65536;        // of one record; more gets 413
    size_t heldCount = 1000;        // records held at once
    size_t heldBytes = 64u << 20;   // bytes of records held at once
    unsigned keepSeconds = 60;      // a record not named by an upload is dropped after this
    unsigned verifiers = 0;         // verifier processes; 0: one fewer than the cores, at least 1
    unsigned queue = 256;           // proofs waiting for a verifier; more get 503
    unsigned verifySeconds = 10;    // a verifier run that takes longer is stopped: 503
    unsigned maxSteps = 0;          // the longest game a record may describe, in the
                                    // verifier's steps; 0: the verifier's own limit
    std::string verifier;           // the replay runner; empty: beside the server
    std::string levels;             // the level file records must be made on; empty: the
                                    // runner's own
    bool acceptUnproven = false;    // list plain uploads too, marked unproven
};

class ProofKeeper {
  public:
    using Clock = std::chrono::steady_clock;
    using Bytes = std::shared_ptr<const std::string>;

    explicit ProofKeeper(const ProofLimits& limits) : limits(limits) {}

    // Keeps `bytes` and gives its id (held again when it is held already).
    std::string keep(std::string bytes);
    // The record under `id`, if it is still held.
    Bytes find(const std::string& id);
    size_t heldBytes();

    static std::string idOf(const std::string& bytes);

  private:
    void dropOld(Clock::time_point now);

    const ProofLimits limits;
    std::mutex mutex;
    struct Held {
        Bytes bytes;
        uint64_t sending;  // which sending it was last held by
    };
    struct Sending {
        Clock::time_point at;
        uint64_t number;
        std::string id;
    };
    void dropOldest();
    std::map<std::string, Held> held;
    std::deque<Sending> order;  // oldest first; a record sent again is held by its latest
    uint64_t sendings = 0;
    size_t bytes = 0;
};
