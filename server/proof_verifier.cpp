// ProofVerifier: fork and exec of the replay runner with its output read through a pipe; a run
// past its time is killed.
#include "server/proof_verifier.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace {

constexpr int kNiceness = 10;
constexpr size_t kMaxLine = 512;
constexpr int kProvenStatus = 0;
constexpr int kRefusedStatus = 3;
constexpr int kUnprovenStatus = 4;
constexpr size_t kSweepClients = 10000;  // clients charged before the stale ones are forgotten

unsigned defaultCount() {
    const unsigned cores = std::thread::hardware_concurrency();
    return cores > 1 ? cores - 1 : 1;
}

bool writeAll(const std::string& path, const std::string& bytes) {
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && ok;
}

Verdict failed(std::string reason) {
    return {Verdict::Kind::Failed, 0, {}, std::move(reason)};
}

// "proven SCORE KEY", "refused REASON" or "unproven REASON", agreeing with the exit status.
Verdict parseLine(const std::string& line, int status) {
    std::istringstream words(line);
    std::string first;
    words >> first;
    std::string rest;
    std::getline(words, rest);
    if (!rest.empty() && rest.front() == ' ') rest.erase(0, 1);
    if (first == "proven" && status == kProvenStatus) {
        std::istringstream fields(rest);
        unsigned long long score = 0;
        std::string key;
        if (fields >> score >> key && score <= UINT32_MAX && key.size() == 64)
            return {Verdict::Kind::Proven, static_cast<uint32_t>(score), key, {}};
    }
    if (first == "refused" && status == kRefusedStatus && !rest.empty())
        return {Verdict::Kind::Refused, 0, {}, rest};
    if (first == "unproven" && status == kUnprovenStatus && !rest.empty())
        return {Verdict::Kind::Unproven, 0, {}, rest};
    return failed("the verifier gave no verdict");
}

}  // namespace

std::string verifierBesideProgram() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    std::string s = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string("./x");
    const std::string directory = s.substr(0, s.rfind('/') + 1);
    // In a build the runner lies beside the server; an installed server (bin/) finds the one
    // installed for it, with its level file, under libexec/.
    const std::string beside = directory + "vextorium2-replay";
    const std::string installed = directory + "../libexec/vextorium2-scoreserver/vextorium2-replay";
    return ::access(beside.c_str(), X_OK) != 0 && ::access(installed.c_str(), X_OK) == 0 ? installed
                                                                                         : beside;
}

Verdict ProofVerifier::run(const std::string& verifier, const ProofLimits& limits,
                           const std::string& path, const std::string& play, int stopFd,
                           const std::string& levels) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return failed("no pipe");
    std::vector<std::string> args{verifier, "--verify", path, "--scratch", play};
    const std::string& levelFile = levels.empty() ? limits.levels : levels;
    if (!levelFile.empty()) args.insert(args.end(), {"--levels", levelFile});
    if (limits.maxSteps != 0)
        args.insert(args.end(), {"--max-steps", std::to_string(limits.maxSteps)});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t server = ::getpid();
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return failed("no process");
    }
    if (child == 0) {
        // Killed with the thread that waits for it, the server's own death (even SIGKILL)
        // included; a server gone before this took effect is seen as a new parent.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != server) ::_exit(127);
        ::setpriority(PRIO_PROCESS, 0, kNiceness);
        ::dup2(out[1], STDOUT_FILENO);
        const int null = ::open("/dev/null", O_RDWR);
        if (null >= 0) {
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDERR_FILENO);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    std::string line;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::seconds(limits.verifySeconds);
    bool late = false;
    bool stopped = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd p[2] = {{out[0], POLLIN, 0}, {stopFd, POLLIN, 0}};
        if (::poll(p, stopFd >= 0 ? 2 : 1, static_cast<int>(left.count())) < 0 && errno != EINTR)
            break;
        if (stopFd >= 0 && p[1].revents != 0) {
            stopped = true;
            break;
        }
        if (p[0].revents == 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        if (line.size() < kMaxLine) line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    if (late || stopped) ::kill(child, SIGKILL);
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    // The processor time the run really took is its cost, whatever its verdict.
    const long cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000L +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000L;
    const auto costing = [cpuMs](Verdict verdict) {
        verdict.cpuMs = cpuMs;
        return verdict;
    };
    // Late on a loaded machine is no fault of the record (the step limit bounds a record's
    // length): asked again later, never refused. So is a run cut short by the server's stop.
    if (stopped) return costing(failed("the server is stopping"));
    if (late) return costing(failed("the verification took too long"));
    if (!WIFEXITED(status)) return costing(failed("the verifier stopped"));
    line = line.substr(0, line.find('\n'));
    return costing(parseLine(line, WEXITSTATUS(status)));
}

void VerdictCache::keep(const std::string& id, const Verdict& verdict) {
    if (verdict.kind == Verdict::Kind::Failed || most == 0) return;
    std::lock_guard lock(mutex);
    if (const auto found = byId.find(id); found != byId.end()) {
        order.erase(found->second);
        byId.erase(found);
    }
    order.emplace_front(id, verdict);
    byId[id] = order.begin();
    if (order.size() > most) {
        byId.erase(order.back().first);
        order.pop_back();
    }
}

std::optional<Verdict> VerdictCache::find(const std::string& id) {
    std::lock_guard lock(mutex);
    const auto found = byId.find(id);
    if (found == byId.end()) return std::nullopt;
    order.splice(order.begin(), order, found->second);
    return found->second->second;
}

ProofVerifier::ProofVerifier(const ProofLimits& proofLimits, const std::string& scratchDir)
    : limits(proofLimits),
      verifier(proofLimits.verifier.empty() ? verifierBesideProgram() : proofLimits.verifier),
      scratch(scratchDir) {
    if (::pipe2(stopPipe, O_CLOEXEC | O_NONBLOCK) != 0) stopPipe[0] = stopPipe[1] = -1;
    const unsigned count = limits.verifiers == 0 ? defaultCount() : limits.verifiers;
    for (unsigned i = 0; i < count; ++i) threads.emplace_back([this] { work(); });
}

ProofVerifier::~ProofVerifier() {
    stop();
    for (std::thread& t : threads) t.join();
    for (const int fd : stopPipe)
        if (fd >= 0) ::close(fd);
}

void ProofVerifier::stop() {
    std::unordered_map<std::string, std::deque<Job>> left;
    {
        std::lock_guard lock(mutex);
        if (!stopping && stopPipe[1] >= 0) {
            const char byte = 0;
            [[maybe_unused]] const ssize_t written = ::write(stopPipe[1], &byte, 1);
        }
        stopping = true;
        left.swap(queues);
        queued = 0;
    }
    wake.notify_all();
    for (auto& [client, jobs] : left)
        for (Job& job : jobs) job.done(failed("the server is stopping"));
}

ProofVerifier::Admitted ProofVerifier::submit(const std::string& client, ProofKeeper::Bytes record,
                                              Done done, Clock::time_point now,
                                              ProofKeeper::Bytes levels) {
    {
        std::lock_guard lock(mutex);
        if (stopping || queued >= limits.queue) return {Admission::Full, 2};
        if (const unsigned wait = budgetWait(client, now); wait > 0)
            return {Admission::OverBudget, wait};
        unsigned& mine = active[client];
        if (mine >= limits.perClient) return {Admission::ClientBusy, 1};
        ++mine;
        queues[client].push_back(
            {client, std::move(record), std::move(done), ++submitted, std::move(levels)});
        ++queued;
    }
    wake.notify_one();
    return {Admission::Queued, 0};
}

void ProofVerifier::charge(const std::string& client, long cpuMs, Clock::time_point now) {
    std::lock_guard lock(mutex);
    spent[client].push_back({now, cpuMs});
    budgetWait(client, now);  // drops what left the window
}

// The client's runs within the window, oldest first: the wait is until enough of them leave
// it for the rest to be within the budget.
unsigned ProofVerifier::budgetWait(const std::string& client, Clock::time_point now) {
    const auto found = spent.find(client);
    if (found == spent.end()) return 0;
    std::deque<Spent>& runs = found->second;
    const auto window = std::chrono::seconds(limits.budgetSeconds);
    while (!runs.empty() && now - runs.front().at >= window) runs.pop_front();
    if (runs.empty()) {
        spent.erase(found);
        return 0;
    }
    long total = 0;
    for (const Spent& run : runs) total += run.cpuMs;
    for (const Spent& run : runs) {
        if (total < static_cast<long>(limits.budgetMs)) break;
        total -= run.cpuMs;
        if (total < static_cast<long>(limits.budgetMs)) {
            const auto left = std::chrono::ceil<std::chrono::seconds>(run.at + window - now);
            return static_cast<unsigned>(std::max<long long>(1, left.count()));
        }
    }
    return 0;
}

size_t ProofVerifier::waiting() {
    std::lock_guard lock(mutex);
    return queued;
}

void ProofVerifier::work() {
    for (;;) {
        Job job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || queued > 0; });
            if (stopping) break;
            // The client whose last turn is longest past (one that never had one first, then
            // the earliest submitted) gives its oldest proof: a client with many waiting has
            // one played in every round of the others'.
            auto next = queues.end();
            std::pair<uint64_t, uint64_t> best{UINT64_MAX, UINT64_MAX};
            for (auto it = queues.begin(); it != queues.end(); ++it) {
                const auto turn = lastTurn.find(it->first);
                const std::pair<uint64_t, uint64_t> order{turn == lastTurn.end() ? 0 : turn->second,
                                                          it->second.front().number};
                if (order < best) {
                    best = order;
                    next = it;
                }
            }
            job = std::move(next->second.front());
            next->second.pop_front();
            if (next->second.empty()) queues.erase(next);
            --queued;
            lastTurn[job.client] = ++turns;
        }
        Verdict verdict = verify(*job.record, job.levels.get());
        {
            std::lock_guard lock(mutex);
            const Clock::time_point now = Clock::now();
            spent[job.client].push_back({now, verdict.cpuMs});
            // Clients that do not come back are forgotten once their runs leave the window.
            if (spent.size() > kSweepClients) {
                std::vector<std::string> clients;
                for (const auto& [client, runs] : spent) clients.push_back(client);
                for (const std::string& client : clients) budgetWait(client, now);
            }
            if (const auto found = active.find(job.client);
                found != active.end() && --found->second == 0) {
                active.erase(found);
                lastTurn.erase(job.client);
            }
        }
        job.done(std::move(verdict));
    }
}

// Each run has a directory of its own, apart from every other run's in this process and
// others: the record's file and the directory the game plays in, removed once the run is over
// however it ended (a verifier killed at its deadline cleans up nothing).
Verdict ProofVerifier::verify(const std::string& record, const std::string* levels) {
    std::string made = scratch + "/vextorium2-proof-XXXXXX";
    if (::mkdtemp(made.data()) == nullptr) return failed("no directory for the verifier");
    const std::string path = made + "/record", play = made + "/play";
    const std::string levelsPath = levels != nullptr ? made + "/levels" : std::string();
    Verdict verdict = !writeAll(path, record)
                          ? failed("the record could not be written for the verifier")
                      : levels != nullptr && !writeAll(levelsPath, *levels)
                          ? failed("the level set could not be written for the verifier")
                      : ::mkdir(play.c_str(), 0700) != 0
                          ? failed("no directory for the verifier")
                          : run(verifier, limits, path, play, stopPipe[0], levelsPath);
    std::error_code ignored;
    std::filesystem::remove_all(made, ignored);
    return verdict;
}
