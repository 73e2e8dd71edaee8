// ProofKeeper: the bounds of records POSTed ahead of their uploads, and the bytes of those
// still arriving. A record is held in the score store (under its id, the hex SHA-256 of its
// bytes) for whichever server its upload reaches; in memory the server holds only what is on
// its way in, counted per client and in all, so that no client's flood grows the server's
// memory or pushes out another client's records.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

#include "record/record_codec.h"

struct ProofLimits {
    // Every byte of a record costs the verifier a step, so no record within the step limit is
    // longer than the limit in bytes: the body limit follows from the step limit unless set.
    size_t maxBytes = 0;              // of one record; more gets 413. 0: maxSteps (or its default)
    size_t heldCount = 16;            // records one client may have held at once; more get 429
    size_t heldBytes = 4000000;       // bytes of records one client may have held at once
    size_t arrivingBytes = 16 << 20;  // bytes of records arriving at once, from all clients
    unsigned keepSeconds = 60;        // a record not named by an upload is dropped after this
    unsigned verifiers = 0;           // verifier processes; 0: one fewer than the cores, at least 1
    unsigned queue = 256;             // proofs waiting for a verifier; more get 503
    unsigned perClient = 2;           // proofs of one client waiting or being played; more get 429
    unsigned budgetMs = 30000;        // processor time one client's proofs may take per window;
                                      // beyond it 429 until the window frees some
    unsigned budgetSeconds = 60;      // the window, sliding
    unsigned verdicts = 10000;        // verdicts remembered by record id
    unsigned verifySeconds = 10;      // a verifier run that takes longer is stopped: 503
    unsigned maxSteps = 0;            // the longest game a record may describe, in the
                                      // verifier's steps; 0: the verifier's own limit
    std::string verifier;             // the replay runner; empty: beside the server
    std::string levels;               // the level file records must be made on; empty: the
                                      // runner's own
    bool acceptUnproven = false;      // list plain uploads too, marked unproven

    size_t recordBytes() const {
        return maxBytes != 0 ? maxBytes : maxSteps != 0 ? maxSteps : kDefaultMaxSteps;
    }
};

class ProofKeeper {
  public:
    using Bytes = std::shared_ptr<const std::string>;

    explicit ProofKeeper(const ProofLimits& limits) : limits(limits) {}

    enum class Taken { Yes, ClientFull, AllFull };
    // Counts `bytes` more arriving from `client`, unless that takes it past its share of held
    // bytes or everyone past the bytes arriving at once (then nothing is counted).
    Taken take(const std::string& client, size_t bytes);
    void give(const std::string& client, size_t bytes);
    size_t arriving();

    static std::string idOf(const std::string& bytes);

  private:
    const ProofLimits limits;
    std::mutex mutex;
    std::unordered_map<std::string, size_t> byClient;
    size_t total = 0;
};
