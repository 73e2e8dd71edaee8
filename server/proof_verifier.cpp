// ProofVerifier: fork and exec of the replay runner with its output read through a pipe; a run
// past its time is killed.
#include "server/proof_verifier.h"

#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace {

constexpr int kNiceness = 10;
constexpr size_t kMaxLine = 512;
constexpr int kProvenStatus = 0;
constexpr int kRefusedStatus = 3;
constexpr int kUnprovenStatus = 4;

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
    return ::access(beside.c_str(), X_OK) != 0 && ::access(installed.c_str(), X_OK) == 0
               ? installed
               : beside;
}

Verdict ProofVerifier::run(const std::string& verifier, const ProofLimits& limits,
                           const std::string& path) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0) return failed("no pipe");
    std::vector<std::string> args{verifier, "--verify", path};
    if (!limits.levels.empty()) args.insert(args.end(), {"--levels", limits.levels});
    if (limits.maxSteps != 0)
        args.insert(args.end(), {"--max-steps", std::to_string(limits.maxSteps)});
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        ::close(out[0]);
        ::close(out[1]);
        return failed("no process");
    }
    if (child == 0) {
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
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(limits.verifySeconds);
    bool late = false;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            late = true;
            break;
        }
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
        if (p.revents == 0) continue;
        char buffer[256];
        const ssize_t n = ::read(out[0], buffer, sizeof buffer);
        if (n <= 0) break;
        if (line.size() < kMaxLine) line.append(buffer, static_cast<size_t>(n));
    }
    ::close(out[0]);
    if (late) ::kill(child, SIGKILL);
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    // Late on a loaded machine is no fault of the record (the step limit bounds a record's
    // length): asked again later, never refused.
    if (late) return failed("the verification took too long");
    if (!WIFEXITED(status)) return failed("the verifier stopped");
    line = line.substr(0, line.find('\n'));
    return parseLine(line, WEXITSTATUS(status));
}

ProofVerifier::ProofVerifier(const ProofLimits& proofLimits, const std::string& scratchDir)
    : limits(proofLimits),
      verifier(proofLimits.verifier.empty() ? verifierBesideProgram() : proofLimits.verifier),
      scratch(scratchDir) {
    const unsigned count = limits.verifiers == 0 ? defaultCount() : limits.verifiers;
    for (unsigned i = 0; i < count; ++i) threads.emplace_back([this] { work(); });
}

ProofVerifier::~ProofVerifier() {
    stop();
    for (std::thread& t : threads) t.join();
}

void ProofVerifier::stop() {
    std::deque<std::pair<ProofKeeper::Bytes, Done>> left;
    {
        std::lock_guard lock(mutex);
        stopping = true;
        left.swap(queue);
    }
    wake.notify_all();
    for (auto& [record, done] : left) done(failed("the server is stopping"));
}

bool ProofVerifier::submit(ProofKeeper::Bytes record, Done done) {
    {
        std::lock_guard lock(mutex);
        if (stopping || queue.size() >= limits.queue) return false;
        queue.emplace_back(std::move(record), std::move(done));
    }
    wake.notify_one();
    return true;
}

size_t ProofVerifier::waiting() {
    std::lock_guard lock(mutex);
    return queue.size();
}

// Each thread has a scratch file of its own for the record it plays, apart from every other
// pool's in this process and others.
void ProofVerifier::work() {
    static std::atomic<unsigned> threadsMade{0};
    const std::string path = scratch + "/vextorium2-proof-" + std::to_string(::getpid()) + "-" +
                             std::to_string(threadsMade++) + ".rec";
    for (;;) {
        std::pair<ProofKeeper::Bytes, Done> job;
        {
            std::unique_lock lock(mutex);
            wake.wait(lock, [this] { return stopping || !queue.empty(); });
            if (stopping) break;
            job = std::move(queue.front());
            queue.pop_front();
        }
        Verdict verdict = writeAll(path, *job.first)
                              ? run(verifier, limits, path)
                              : failed("the record could not be written for the verifier");
        job.second(std::move(verdict));
    }
    ::unlink(path.c_str());
}
