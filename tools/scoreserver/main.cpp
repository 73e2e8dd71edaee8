// scoreserver: records the game's uploaded scores and answers the best 100.
//   scoreserver [--listen HOST:PORT] [--db FILE]
#include <limits.h>
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <iostream>
#include <string>
#include <thread>

#include "tools/scoreserver/score_server.h"
#include "tools/scoreserver/score_store.h"

namespace {

constexpr const char* kDefaultHost = "127.0.0.1";
constexpr int kDefaultPort = 8642;
constexpr const char* kDefaultDatabase = "scores.sqlite";
constexpr int kMaxPort = 65535;
constexpr int kBadArguments = 2;
constexpr int kFailure = 1;
constexpr long kSignalPollNs = 100'000'000;  // 100 ms

std::string executableDirectory() {
    char path[PATH_MAX];
    const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return "./";
    const std::string s(path, static_cast<size_t>(n));
    const size_t slash = s.rfind('/');
    return slash == std::string::npos ? std::string("./") : s.substr(0, slash + 1);
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

int usage(const std::string& reason) {
    std::cerr << "scoreserver: " << reason
              << " (usage: scoreserver [--listen HOST:PORT] [--db FILE])\n";
    return kBadArguments;
}

}  // namespace

int main(int argc, char** argv) {
    std::string host = kDefaultHost;
    int port = kDefaultPort;
    std::string database = executableDirectory() + kDefaultDatabase;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--listen" || arg == "--db") && i + 1 >= argc)
            return usage(arg + " needs a value");
        if (arg == "--listen") {
            if (!parseListen(argv[++i], host, port)) return usage("bad --listen value");
        } else if (arg == "--db") {
            database = argv[++i];
        } else {
            return usage("unknown argument " + arg);
        }
    }

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
        std::cerr << "scoreserver: cannot open " << database << ": " << store->error() << '\n';
        return kFailure;
    }
    ScoreServer server(*store);
    const int bound = server.bind(host, port);
    if (bound < 0) {
        std::cerr << "scoreserver: cannot listen on " << host << ':' << port << '\n';
        return kFailure;
    }
    std::cout << "scoreserver listening on " << host << ':' << bound << std::endl;

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
