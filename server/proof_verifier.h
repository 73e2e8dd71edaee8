// ProofVerifier: plays records again in child processes (the replay runner's --verify), a few
// at a time at a lower priority than the server's own threads, each with a time limit. The
// game's state is global, so one process replays one game; a bounded queue waits for them.
// The verifiers are shared fairly: each client has a few proofs waiting or played at once,
// clients take turns, and the processor time its proofs really took (the children's own,
// from the kernel) is charged to it over a sliding window; beyond its budget it waits.
#pragma once
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "server/proof_keeper.h"

struct Verdict {
    enum class Kind { Proven, Refused, Unproven, Failed };  // Failed: could not be run
    Kind kind = Kind::Failed;
    uint32_t score = 0;  // Proven
    std::string key;     // Proven: the game's own identity, whatever bytes carried it
    std::string reason;  // one line
    long cpuMs = 0;      // processor time the run took, the verifier's own
};

// Verdicts by record id, the latest `most` kept: a record judged once is never played again.
// A run that could not be judged (Failed) is not kept.
class VerdictCache {
  public:
    explicit VerdictCache(size_t most) : most(most) {}
    void keep(const std::string& id, const Verdict& verdict);
    std::optional<Verdict> find(const std::string& id);

  private:
    const size_t most;
    std::mutex mutex;
    std::list<std::pair<std::string, Verdict>> order;  // newest first
    std::unordered_map<std::string, std::list<std::pair<std::string, Verdict>>::iterator> byId;
};

class ProofVerifier {
  public:
    using Done = std::function<void(Verdict)>;

    ProofVerifier(const ProofLimits& limits, const std::string& scratchDir);
    ~ProofVerifier();  // answers every waiting proof as Failed, then joins
    ProofVerifier(const ProofVerifier&) = delete;
    ProofVerifier& operator=(const ProofVerifier&) = delete;

    enum class Admission {
        Queued,      // `done` is called once, from a verifier thread
        ClientBusy,  // the client has its most proofs waiting or played already
        OverBudget,  // the client's proofs took its budget of processor time
        Full,        // the queue is full, or the verifiers are stopping
    };
    struct Admitted {
        Admission kind = Admission::Queued;
        unsigned retryAfter = 0;  // seconds, when not queued
    };
    // Queues `client`'s record unless one of the bounds says no (then `done` is never called).
    // With `levels` (a level set's file) the record is played on that set instead of the
    // verifier's own level file.
    Admitted submit(const std::string& client, ProofKeeper::Bytes record, Done done,
                    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now(),
                    ProofKeeper::Bytes levels = nullptr);
    // Charges `client` for processor time its proofs took (what each run is charged itself).
    void charge(const std::string& client, long cpuMs,
                std::chrono::steady_clock::time_point now = std::chrono::steady_clock::now());
    size_t waiting();
    // Answers every waiting proof as Failed and kills the runs in progress, whose proofs are
    // answered Failed too: a stop waits for no game to be played to its end.
    void stop();

    // One run of the verifier on the record in `path`, played in the empty directory `play`
    // (for tests and tools too). It ends early, Failed, once `stopFd` is readable. A non-empty
    // `levels` names the level file instead of the limits' own.
    static Verdict run(const std::string& verifier, const ProofLimits& limits,
                       const std::string& path, const std::string& play, int stopFd = -1,
                       const std::string& levels = {});

  private:
    using Clock = std::chrono::steady_clock;
    struct Job {
        std::string client;
        ProofKeeper::Bytes record;
        Done done;
        uint64_t number = 0;        // in the order submitted
        ProofKeeper::Bytes levels;  // a level set's file, or null
    };
    struct Spent {
        Clock::time_point at;
        long cpuMs;
    };
    void work();
    // With the mutex held: the seconds until `client` is within its budget again, 0 if it is.
    unsigned budgetWait(const std::string& client, Clock::time_point now);
    Verdict verify(const std::string& record, const std::string* levels);

    const ProofLimits limits;
    const std::string verifier;
    const std::string scratch;
    int stopPipe[2] = {-1, -1};  // written once at the stop: every run in progress sees it
    std::mutex mutex;
    std::condition_variable wake;
    std::unordered_map<std::string, std::deque<Job>> queues;  // waiting, by client
    // When each client with proofs waiting or played last had its turn (0: not yet): the
    // client whose turn is longest past goes next.
    std::unordered_map<std::string, uint64_t> lastTurn;
    uint64_t turns = 0, submitted = 0;
    size_t queued = 0;
    std::unordered_map<std::string, unsigned> active;          // waiting or being played, by client
    std::unordered_map<std::string, std::deque<Spent>> spent;  // within the window, by client
    bool stopping = false;
    std::vector<std::thread> threads;
};

// The default verifier: the replay runner beside this program, or else the one installed for
// it under ../libexec/vextorium2-scoreserver.
std::string verifierBesideProgram();
