// scoreserver: records the game's uploaded scores and answers the best 100, shows them as a
// leaderboard page and serves the web game.
//   scoreserver [--listen HOST:PORT] [--db FILE|URL] [--web DIR] [limits...]   (--help lists them)
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <string>
#include <thread>
#include <vector>

#include "record/level_set.h"
#include "server/score_server.h"
#include "server/score_store.h"
#include "server/web_files.h"

namespace {

constexpr const char* kDefaultHost = "127.0.0.1";
constexpr int kDefaultPort = 8642;
constexpr const char* kDefaultDatabase = "scores.sqlite";
constexpr const char* kWebBeside = "web";                         // in a build tree
constexpr const char* kWebInstalled = "../share/vextorium2/web";  // the program in <prefix>/bin
constexpr int kMaxPort = 65535;
constexpr int kBadArguments = 2;
constexpr int kFailure = 1;
constexpr long kSignalPollNs = 100'000'000;  // 100 ms
constexpr unsigned long kMostBurst = 1'000'000;

std::string executableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string s(path, static_cast<size_t>(n));
    const size_t slash = s.rfind('/');
    return slash == std::string::npos ? std::string("./") : s.substr(0, slash + 1);
}

// The web game's directory when none is given: web/ beside the program, or else the one
// installed under the program's prefix.
std::string defaultWebDirectory() {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path beside = fs::path(executableDirectory()) / kWebBeside;
    if (fs::is_directory(beside, error)) return beside.string();
    const fs::path installed = (fs::path(executableDirectory()) / kWebInstalled).lexically_normal();
    return fs::is_directory(installed, error) ? installed.string() : beside.string();
}

// HOST:PORT, the host possibly in brackets ([::1]:8642).
bool parseListen(const std::string& text, std::string& host, int& port) {
    const size_t colon = text.rfind(':');
    if (colon == std::string::npos || colon == 0 || colon + 1 == text.size()) return false;
    host = text.substr(0, colon);
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string digits = text.substr(colon + 1);
    if (digits.size() > 5 || digits.find_first_not_of("0123456789") != std::string::npos)
        return false;
    port = std::stoi(digits);
    return port <= kMaxPort && !host.empty();
}

// A whole decimal number from `least` to `most`.
bool parseCount(const std::string& text, unsigned long least, unsigned long most,
                unsigned long& value) {
    if (text.empty() || text.size() > 9 ||
        text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    value = std::stoul(text);
    return value >= least && value <= most;
}

// Scores a second: a decimal number from 0 (no limit) to a million.
bool parseRate(const std::string& text, double& value) {
    constexpr double kMostPerSecond = 1e6;
    if (text.empty() || text.size() > 12 ||
        text.find_first_not_of("0123456789.") != std::string::npos ||
        text.find('.') != text.rfind('.') || text.front() == '.' || text.back() == '.')
        return false;
    value = std::stod(text);
    return value <= kMostPerSecond;
}

// A limit's switch, what it bounds, and where its value goes.
struct LimitSwitch {
    const char* name;
    const char* help;
    unsigned long most;
    size_t* size = nullptr;
    unsigned* count = nullptr;
    unsigned long least = 1;
    unsigned long value() const { return size != nullptr ? *size : *count; }
};

std::vector<LimitSwitch> limitSwitches(ServerLimits& limits) {
    constexpr unsigned long kMostBytes = 1u << 20;
    constexpr unsigned long kMostSeconds = 3600;
    constexpr unsigned long kMostConnections = 100000;
    constexpr unsigned long kMostThreads = 64;
    return {
        {"--max-target", "bytes of request target; longer gets 414", kMostBytes, &limits.maxTarget},
        {"--max-header-bytes",
         "bytes of request line and headers held per connection; more: 414 or 431 and closed",
         kMostBytes, &limits.maxHeaderBytes},
        {"--max-headers", "header lines per request; more gets 431", kMostBytes, nullptr,
         &limits.maxHeaders},
        {"--request-timeout", "seconds to receive a request, from connecting or the last answer",
         kMostSeconds, nullptr, &limits.requestSeconds},
        {"--idle-timeout", "seconds without traffic before a connection is closed", kMostSeconds,
         nullptr, &limits.idleSeconds},
        {"--max-connections", "connections open at once, shared out among the threads",
         kMostConnections, nullptr, &limits.maxConnections},
        {"--max-per-address",
         "connections from one client address (from a trusted proxy: requests in progress)",
         kMostConnections, nullptr, &limits.maxPerAddress},
        {"--threads", "threads serving connections, each many at once", kMostThreads, nullptr,
         &limits.threads},
    };
}

// The store's deadlines and bounds.
void addStoreSwitches(std::vector<LimitSwitch>& switches, StoreLimits& store) {
    constexpr unsigned long kMostMs = 600000;
    constexpr unsigned long kMostSeconds = 86400;
    constexpr unsigned long kMostRows = 1000000000;
    constexpr unsigned long kMostWorkers = 256;
    constexpr unsigned long kMostQueued = 100000;
    switches.insert(
        switches.end(),
        {
            {"--read-deadline", "ms a read of the list may take; then the last list or 503",
             kMostMs, nullptr, &store.readMs},
            {"--write-deadline", "ms an upload may wait for its commit to be sent; then 503",
             kMostMs, nullptr, &store.writeMs},
            {"--stale-seconds", "how old a list may be served while the store does not answer",
             kMostSeconds, nullptr, &store.staleSeconds},
            {"--keep", "rows kept; the lowest-ranked beyond are deleted in the background",
             kMostRows, nullptr, &store.keep, ScoreService::kMinKeep},
            {"--store-threads", "threads making the store's calls", kMostWorkers, nullptr,
             &store.threads},
            {"--store-queue", "store calls waiting for a thread; beyond, 503 at once", kMostQueued,
             nullptr, &store.queue},
            {"--max-sets", "level sets shown at once; beyond, a new one gets 507", kMostRows,
             nullptr, &store.maxSets},
        });
}

// The bounds of proofs and their verification.
void addProofSwitches(std::vector<LimitSwitch>& switches, ProofLimits& proofs) {
    constexpr unsigned long kMostRecordBytes = 16u << 20;
    constexpr unsigned long kMostHeldBytes = 1ul << 34;
    constexpr unsigned long kMostHeld = 1000000;
    constexpr unsigned long kMostSeconds = 3600;
    constexpr unsigned long kMostVerifiers = 256;
    constexpr unsigned long kMostQueued = 100000;
    constexpr unsigned long kMostSteps = 999999999;
    constexpr unsigned long kMostBudgetMs = 86400000;
    switches.insert(
        switches.end(),
        {
            {"--max-proof-bytes",
             "bytes of one game record POSTed; more gets 413 (0: as many as "
             "--max-steps, since every byte costs a step)",
             kMostRecordBytes, &proofs.maxBytes, nullptr, 0},
            {"--proofs-held", "records one client may have held awaiting their uploads; more: 429",
             kMostHeld, &proofs.heldCount},
            {"--proof-bytes-held",
             "bytes of records one client may have held or arriving; more: "
             "429",
             kMostHeldBytes, &proofs.heldBytes},
            {"--proof-arriving",
             "bytes of records arriving at once from all clients; "
             "more: 503",
             kMostHeldBytes, &proofs.arrivingBytes},
            {"--proof-seconds", "how long a record waits for the upload naming it", kMostSeconds,
             nullptr, &proofs.keepSeconds},
            {"--verifiers", "verifier processes at once (0: one fewer than the cores, at least 1)",
             kMostVerifiers, nullptr, &proofs.verifiers, 0},
            {"--verify-queue", "proofs waiting for a verifier; beyond, 503 with Retry-After",
             kMostQueued, nullptr, &proofs.queue},
            {"--verify-seconds", "seconds one verification may take; beyond, 503 with Retry-After",
             kMostSeconds, nullptr, &proofs.verifySeconds},
            {"--verify-per-client", "proofs of one client waiting or being verified; more: 429",
             kMostQueued, nullptr, &proofs.perClient},
            {"--verify-budget",
             "ms of processor time one client's verifications may take in "
             "the window; beyond, 429 with Retry-After",
             kMostBudgetMs, nullptr, &proofs.budgetMs},
            {"--verify-window", "seconds of the sliding window of --verify-budget", kMostSeconds,
             nullptr, &proofs.budgetSeconds},
            {"--verdicts", "verdicts remembered by record id, so no record is played twice",
             kMostHeld, nullptr, &proofs.verdicts, 0},
            {"--max-steps",
             "the longest game a record may describe, in the verifier's steps "
             "(0: the verifier's own limit)",
             kMostSteps, nullptr, &proofs.maxSteps, 0},
        });
}

// The address a browser on this machine opens: a wildcard host becomes loopback, and an IPv6
// host goes in brackets.
std::string pageAddress(const std::string& host, int port) {
    std::string shown = host == "0.0.0.0" ? "127.0.0.1" : host == "::" ? "::1" : host;
    if (shown.find(':') != std::string::npos) shown = "[" + shown + "]";
    return "http://" + shown + ":" + std::to_string(port) + "/";
}

void printHelp(std::vector<LimitSwitch>& switches) {
    constexpr size_t kHelpColumn = 20;
    std::cout
        << "usage: scoreserver [OPTION...]\n"
           "Records the game's uploaded scores and answers the best 100; serves the web game\n"
           "and a leaderboard.\n\n"
           "  --listen HOST:PORT    address to listen on (default 127.0.0.1:8642; port 0: "
           "any free port)\n"
           "  --db FILE|URL         the score database: a SQLite file (default "
           "scores.sqlite beside\n"
           "                        the program) or a postgresql://... address\n"
           "  --web DIR             the web game's files, served at / (default web/ beside "
           "the program, or\n"
           "                        share/vextorium2/web under its prefix);\n"
           "                        the leaderboard is at /scores and /scores.json\n";
    for (const LimitSwitch& s : switches)
        std::cout << "  " << s.name << " N"
                  << std::string(kHelpColumn - std::string(s.name).size(), ' ') << s.help
                  << " (default " << s.value() << ")\n";
    std::cout << "  --trusted-proxy ADDR  a proxy in front (ADDRESS or ADDRESS/BITS, IPv4 or IPv6; "
                 "repeatable):\n"
                 "                        the client it names (X-Forwarded-For's last address, "
                 "or X-Real-IP)\n"
                 "                        is counted by the per-client limits instead of it\n"
                 "  --upload-rate N       scores a second one client may upload beyond its burst "
                 "(default 1;\n"
                 "                        0: no limit); more get 429 with Retry-After\n"
                 "  --upload-burst N      scores one client may upload at once (default 100)\n"
                 "  --verifier PATH       the replay runner that proves records (default "
                 "vextorium2-replay\n"
                 "                        beside this program), run at a lower priority\n"
                 "  --levels FILE         the level file records must be made on (default: "
                 "the verifier's\n"
                 "                        own BrickMap.dat)\n"
                 "  --hide-set ID         take the level set ID down (its file, its board and its "
                 "place in\n"
                 "                        /sets) in the --db store, then exit\n"
                 "  --accept-unproven     list uploads without a proof too, marked unproven "
                 "(default: proven\n"
                 "                        scores only; plain uploads are stored either way)\n"
                 "  --help                this text\n"
                 "  --version             the program's version\n";
}

int usage(const std::string& reason) {
    std::cerr
        << "scoreserver: " << reason
        << " (usage: scoreserver [--listen HOST:PORT] [--db FILE|URL] [--web DIR] [--LIMIT N...]; "
           "scoreserver --help lists the limits)\n";
    return kBadArguments;
}

// The operator's word on a level set: taken down for every server of the store at once (each
// reads the sets from it).
int hideSet(ScoreStore& store, const std::string& id) {
    constexpr auto kHideDeadline = std::chrono::seconds(10);
    StoreCall call(StoreCall::Clock::now() + kHideDeadline);
    bool found = false;
    if (!store.hideSet(id, found, call)) {
        std::cerr << "scoreserver: the level set could not be hidden: " << store.error() << '\n';
        return kFailure;
    }
    std::cout << (found ? "hidden: " : "no such level set: ") << id << '\n';
    return found ? 0 : kFailure;
}

// Every connection holds a socket: allow as many as the hard limit permits.
void raiseOpenFileLimit() {
    rlimit files{};
    if (::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < files.rlim_max) {
        files.rlim_cur = files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = kDefaultHost;
    int port = kDefaultPort;
    std::string database = executableDirectory() + kDefaultDatabase;
    std::string webDirectory;
    std::string setToHide;
    ServerLimits limits;
    std::vector<LimitSwitch> switches = limitSwitches(limits);
    StoreLimits storeLimits;
    addStoreSwitches(switches, storeLimits);
    addProofSwitches(switches, limits.proofs);
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            printHelp(switches);
            return 0;
        }
        if (arg == "--version") {
            std::cout << "scoreserver " << VEXTORIUM2_VERSION << '\n';
            return 0;
        }
        LimitSwitch* limit = nullptr;
        for (LimitSwitch& s : switches)
            if (arg == s.name) limit = &s;
        if (arg == "--accept-unproven") {
            limits.proofs.acceptUnproven = true;
            continue;
        }
        const bool wire = arg == "--trusted-proxy" || arg == "--upload-rate" ||
                          arg == "--upload-burst" || arg == "--verifier" || arg == "--levels" ||
                          arg == "--hide-set";
        if ((arg == "--listen" || arg == "--db" || arg == "--web" || wire || limit != nullptr) &&
            i + 1 >= argc)
            return usage(arg + " needs a value");
        if (arg == "--listen") {
            if (!parseListen(argv[++i], host, port)) return usage("bad --listen value");
        } else if (arg == "--db") {
            database = argv[++i];
        } else if (arg == "--web") {
            webDirectory = argv[++i];
        } else if (arg == "--verifier") {
            limits.proofs.verifier = argv[++i];
        } else if (arg == "--levels") {
            limits.proofs.levels = argv[++i];
        } else if (arg == "--hide-set") {
            setToHide = argv[++i];
            if (!level_set::validId(setToHide))
                return usage("--hide-set takes a level set's id (64 lowercase hex digits)");
        } else if (arg == "--trusted-proxy") {
            if (!limits.trustedProxies.add(argv[++i])) return usage("bad --trusted-proxy value");
        } else if (arg == "--upload-rate") {
            if (!parseRate(argv[++i], limits.uploadsPerSecond))
                return usage("bad --upload-rate value (0 to 1000000)");
        } else if (arg == "--upload-burst") {
            unsigned long value = 0;
            if (!parseCount(argv[++i], 1, kMostBurst, value))
                return usage("bad --upload-burst value (1 to " + std::to_string(kMostBurst) + ")");
            limits.uploadBurst = static_cast<unsigned>(value);
        } else if (limit != nullptr) {
            unsigned long value = 0;
            if (!parseCount(argv[++i], limit->least, limit->most, value))
                return usage("bad " + arg + " value (" + std::to_string(limit->least) + " to " +
                             std::to_string(limit->most) + ")");
            if (limit->size != nullptr)
                *limit->size = value;
            else
                *limit->count = static_cast<unsigned>(value);
        } else {
            return usage("unknown argument " + arg);
        }
    }
    raiseOpenFileLimit();

    // SIGINT and SIGTERM are taken by one thread, which stops the server; every other thread
    // (the server's workers included) inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    ::signal(SIGPIPE, SIG_IGN);

    const std::unique_ptr<ScoreStore> store = openScoreStore(database);
    if (!store->ok()) {
        // A PostgreSQL address may hold a password: it is not repeated on the terminal or in logs.
        const bool address = database.find("://") != std::string::npos;
        std::cerr << "scoreserver: cannot open " << (address ? "the database" : database) << ": "
                  << store->error() << '\n';
        return kFailure;
    }
    if (!setToHide.empty()) return hideSet(*store, setToHide);
    if (webDirectory.empty()) webDirectory = defaultWebDirectory();
    const WebFiles web(webDirectory);
    for (const std::string& note : web.notes())
        std::cerr << "scoreserver: " << webDirectory << ": " << note << '\n';
    ScoreServer server(*store, limits, &web, storeLimits);
    const int bound = server.bind(host, port);
    if (bound < 0) {
        std::cerr << "scoreserver: cannot listen on " << host << ':' << port << '\n';
        return kFailure;
    }
    std::cout << "scoreserver listening on " << host << ':' << bound << std::endl;
    const std::string address = pageAddress(host, bound);
    if (web.installed())
        std::cout << "Open " << address << " to play (" << web.count()
                  << (web.count() == 1 ? " file from " : " files from ") << webDirectory
                  << "); high scores at " << address << "scores" << std::endl;
    else
        std::cout << "No web game in " << webDirectory << " (--web DIR); high scores at " << address
                  << "scores" << std::endl;

    std::atomic<bool> finished{false};
    std::thread signalWaiter([&] {
        const timespec poll{0, kSignalPollNs};
        bool stopping = false;
        while (!finished) {
            if (sigtimedwait(&stopSignals, nullptr, &poll) > 0) stopping = true;
            // Repeated until run() returns: a signal may come before the server listens.
            if (stopping) server.stop();
        }
    });
    const bool served = server.run();
    finished = true;
    signalWaiter.join();
    return served ? 0 : kFailure;
}
