// ProofVerifier: plays records again in child processes (the replay runner's --verify), a few
// at a time at a lower priority than the server's own threads, each with a time limit. The
// game's state is global, so one process replays one game; a bounded queue waits for them.
#pragma once
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "server/proof_keeper.h"

struct Verdict {
    enum class Kind { Proven, Refused, Unproven, Failed };  // Failed: could not be run
    Kind kind = Kind::Failed;
    uint32_t score = 0;  // Proven
    std::string key;     // Proven: the game's own identity, whatever bytes carried it
    std::string reason;  // one line
};

class ProofVerifier {
  public:
    using Done = std::function<void(Verdict)>;

    ProofVerifier(const ProofLimits& limits, const std::string& scratchDir);
    ~ProofVerifier();  // answers every waiting proof as Failed, then joins
    ProofVerifier(const ProofVerifier&) = delete;
    ProofVerifier& operator=(const ProofVerifier&) = delete;

    // Queues the record; `done` is called once from a verifier thread. False when the queue is
    // full or stopping (then `done` is never called).
    bool submit(ProofKeeper::Bytes record, Done done);
    size_t waiting();
    // Answers every waiting proof as Failed and kills the runs in progress, whose proofs are
    // answered Failed too: a stop waits for no game to be played to its end.
    void stop();

    // One run of the verifier on the record in `path`, played in the empty directory `play`
    // (for tests and tools too). It ends early, Failed, once `stopFd` is readable.
    static Verdict run(const std::string& verifier, const ProofLimits& limits,
                       const std::string& path, const std::string& play, int stopFd = -1);

  private:
    void work();
    Verdict verify(const std::string& record);

    const ProofLimits limits;
    const std::string verifier;
    const std::string scratch;
    int stopPipe[2] = {-1, -1};  // written once at the stop: every run in progress sees it
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::pair<ProofKeeper::Bytes, Done>> queue;
    bool stopping = false;
    std::vector<std::thread> threads;
};

// The default verifier: the replay runner beside this program, or else the one installed for
// it under ../libexec/vextorium2-scoreserver.
std::string verifierBesideProgram();
