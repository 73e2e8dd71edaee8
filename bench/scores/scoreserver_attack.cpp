// scoreserver_attack: starts scoreserver on a free loopback port with a fresh database and abuses
// it the ways a hostile client can, one after another, while a probe from 127.0.0.1 asks for the
// list every 50 ms and the server's memory is sampled:
//   line     clients each sending one endless request line (up to --megabytes)
//   headers  clients each sending endless 1 KB header lines (up to --megabytes)
//   smuggle  requests framed so that a reader in front could take their end elsewhere (two
//            lengths, a length beside chunked, an unknown coding, a length cut by a NUL or
//            folded), each hiding an upload after it; every one must get a single answer and a
//            closed connection, and no hidden upload may reach the list
//   hold     --idle sockets that connect and say nothing, and --slow senders that send a header
//            line every 3 s; at the end the server gets SIGTERM with them still connected
// The attackers connect from 127.0.0.2 and up (Linux answers all of 127/8 on lo), at most 100
// sockets per address. Everything is bounded: sockets by the counts, time by --seconds and fixed
// per-step caps. With --check it exits non-zero unless the server kept its promises (answered
// every probe, stayed under --max-mb resident, cut the long lines early, closed the idle and
// slow sockets, stopped on SIGTERM); it never judges speed.
//   scoreserver_attack [--server PROGRAM] [--clients N] [--megabytes N] [--idle N] [--slow N]
//                      [--seconds S] [--max-mb N] [--check] [-- SERVER-OPTIONS...]
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "bench/scores/server_process.h"

namespace {

using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kSocketsPerAddress = 100;
constexpr int kFirstAttackerHost = 2;  // 127.0.0.2
constexpr int kProbePeriodMs = 50;
constexpr int kProbeTimeoutMs = 10000;
constexpr int kSlowPeriodMs = 3000;
constexpr int kSamplePeriodMs = 20;
constexpr int kReopenPeriodMs = 100;
constexpr int kConnectTimeoutMs = 3000;
constexpr int kSendStepMs = 200;  // a sender gives up when nothing moves for 10 such steps
constexpr int kSendStallSteps = 10;
constexpr int kSendCapSeconds = 60;  // and in any case after this
constexpr int kSettleMs = 1500;      // after attackers leave, before "memory after"
constexpr int kStopWaitMs = 30000;   // for the server to end after SIGTERM
constexpr size_t kChunk = 64 * 1024;
constexpr size_t kHeaderLine = 1024;
constexpr long kMiB = 1024 * 1024;

struct Options {
    std::string server = SCORESERVER_PATH;
    int clients = 4;
    long megabytes = 300;
    int idle = 1000;
    int slow = 64;
    int seconds = 10;
    long maxMb = 64;
    bool check = false;
    std::vector<std::string> serverOptions;
};

// A TCP socket from 127.0.0.`host` to the server, connected (or -1).
int connectFrom(int host, int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const timeval connectTimeout{kConnectTimeoutMs / 1000, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &connectTimeout, sizeof connectTimeout);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl((127u << 24) | static_cast<unsigned>(host));
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int attackerHost(int index) {
    return kFirstAttackerHost + index / kSocketsPerAddress;
}

// True when the server has closed the socket (or answered and closed).
bool closedByServer(int fd) {
    pollfd p{fd, POLLIN, 0};
    if (::poll(&p, 1, 0) <= 0) return false;
    char buffer[512];
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN);
}

long residentKb(pid_t pid, const char* field) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string key = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, key.size(), key) == 0) return std::atol(line.c_str() + key.size());
    return -1;
}

// Samples the server's resident memory; peak() is the highest since the last reset().
class MemoryWatch {
  public:
    explicit MemoryWatch(pid_t server) : pid(server) {
        thread = std::thread([this] {
            while (!done) {
                const long kb = residentKb(pid, "VmRSS");
                long seen = highest.load();
                while (kb > seen && !highest.compare_exchange_weak(seen, kb)) {
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(kSamplePeriodMs));
            }
        });
    }
    ~MemoryWatch() {
        done = true;
        thread.join();
    }
    void reset() { highest = residentKb(pid, "VmRSS"); }
    long peakMb() const { return highest / 1024; }
    long nowMb() const { return residentKb(pid, "VmRSS") / 1024; }

  private:
    pid_t pid;
    std::atomic<bool> done{false};
    std::atomic<long> highest{0};
    std::thread thread;
};

// Asks for the list on a fresh connection every 50 ms until stopped; latencies of the answered.
class Probe {
  public:
    explicit Probe(int serverPort) : port(serverPort) {
        thread = std::thread([this] {
            while (!done) {
                const auto start = Clock::now();
                if (ask())
                    latencies.push_back(Ms(Clock::now() - start).count());
                else
                    ++failures;
                std::this_thread::sleep_for(std::chrono::milliseconds(kProbePeriodMs));
            }
        });
    }
    ~Probe() { finish(); }
    void finish() {
        done = true;
        if (thread.joinable()) thread.join();
    }
    double percentile(double p) {
        std::sort(latencies.begin(), latencies.end());
        if (latencies.empty()) return 0;
        return latencies[std::min(latencies.size() - 1,
                                  static_cast<size_t>(p * static_cast<double>(latencies.size())))];
    }
    size_t answered() const { return latencies.size(); }
    int failed() const { return failures; }

  private:
    bool ask() const {
        const int fd = connectFrom(1, port);
        if (fd < 0) return false;
        const std::string request = std::string("GET ") + kPath +
                                    " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        std::string reply;
        const auto deadline = Clock::now() + std::chrono::milliseconds(kProbeTimeoutMs);
        bool ok = ::send(fd, request.data(), request.size(), MSG_NOSIGNAL) ==
                  static_cast<ssize_t>(request.size());
        while (ok && Clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            const int left = static_cast<int>(
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now())
                    .count());
            if (::poll(&p, 1, std::max(left, 1)) <= 0) continue;
            char buffer[4096];
            const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
            if (n <= 0) break;
            reply.append(buffer, static_cast<size_t>(n));
        }
        ::close(fd);
        return ok && reply.compare(0, 12, "HTTP/1.1 200") == 0;
    }

    int port;
    std::atomic<bool> done{false};
    std::vector<double> latencies;
    int failures = 0;
    std::thread thread;
};

// One attacker: `prefix`, then `filler` over and over until `total` bytes are sent, the server
// closes, or nothing moves for a while. The bytes it got to send.
long sendEndless(int host, int port, const std::string& prefix, const std::string& filler,
                 long total) {
    const int fd = connectFrom(host, port);
    if (fd < 0) return 0;
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) | O_NONBLOCK);
    const auto cap = Clock::now() + std::chrono::seconds(kSendCapSeconds);
    long sent = 0;
    size_t offset = 0;  // within prefix, then within filler
    bool inPrefix = true;
    int stalls = 0;
    while (sent < total && stalls < kSendStallSteps && Clock::now() < cap) {
        const std::string& piece = inPrefix ? prefix : filler;
        const ssize_t n =
            ::send(fd, piece.data() + offset, piece.size() - offset, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            sent += n;
            offset += static_cast<size_t>(n);
            if (offset == piece.size()) {
                offset = 0;
                inPrefix = false;
            }
            stalls = 0;
            continue;
        }
        if (n < 0 && errno != EAGAIN) break;  // the server closed
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, kSendStepMs) == 0) ++stalls;
    }
    ::close(fd);
    return sent;
}

struct FloodResult {
    double mostSentMb = 0;
    long peakMb = 0;
    long afterMb = 0;
};

FloodResult flood(const Options& options, int port, MemoryWatch& memory, bool headerLines) {
    const std::string prefix =
        headerLines ? std::string("GET ") + kPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" : "GET /";
    std::string filler;
    if (headerLines) {
        while (filler.size() < kChunk)
            filler += "X-Pad: " + std::string(kHeaderLine - 9, 'a') + "\r\n";
    } else {
        filler.assign(kChunk, 'a');
    }
    memory.reset();
    std::vector<long> sent(static_cast<size_t>(options.clients), 0);
    std::vector<std::thread> senders;
    for (int c = 0; c < options.clients; ++c)
        senders.emplace_back([&, c] {
            sent[static_cast<size_t>(c)] =
                sendEndless(attackerHost(c), port, prefix, filler, options.megabytes * kMiB);
        });
    for (auto& t : senders) t.join();
    FloodResult result;
    result.peakMb = memory.peakMb();
    std::this_thread::sleep_for(std::chrono::milliseconds(kSettleMs));
    result.afterMb = memory.nowMb();
    result.mostSentMb = static_cast<double>(*std::max_element(sent.begin(), sent.end())) / kMiB;
    return result;
}

struct HoldResult {
    int idleOpened = 0, idleClosed = 0, slowOpened = 0, slowClosed = 0;
    double p50 = 0, p99 = 0, max = 0;
    size_t answered = 0;
    int failed = 0;
    long peakMb = 0;
    double stopMs = -1;  // from SIGTERM to the server's end; -1: it did not end
    int exitStatus = -1;
};

HoldResult hold(const Options& options, pid_t server, int port, MemoryWatch& memory) {
    HoldResult result;
    memory.reset();
    const std::string start = std::string("GET ") + kPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const auto openIdle = [&](int i) { return connectFrom(attackerHost(i), port); };
    const auto openSlow = [&](int i) {
        const int fd = connectFrom(attackerHost(options.idle + i), port);
        if (fd >= 0) ::send(fd, start.data(), start.size(), MSG_NOSIGNAL);
        return fd;
    };
    std::vector<int> idle(static_cast<size_t>(options.idle)),
        slow(static_cast<size_t>(options.slow));
    for (int i = 0; i < options.idle; ++i) result.idleOpened += (idle[i] = openIdle(i)) >= 0;
    for (int i = 0; i < options.slow; ++i) result.slowOpened += (slow[i] = openSlow(i)) >= 0;

    // A socket the server closes is opened again at once: the pressure stays.
    const auto reopen = [](std::vector<int>& fds, int& closed, auto open) {
        for (size_t i = 0; i < fds.size(); ++i) {
            if (fds[i] >= 0 && !closedByServer(fds[i])) continue;
            if (fds[i] >= 0) {
                ::close(fds[i]);
                ++closed;
            }
            fds[i] = open(static_cast<int>(i));
        }
    };
    Probe probe(port);
    const auto end = Clock::now() + std::chrono::seconds(options.seconds);
    auto nextLine = Clock::now() + std::chrono::milliseconds(kSlowPeriodMs);
    for (int line = 0; Clock::now() < end;) {
        std::this_thread::sleep_for(std::chrono::milliseconds(kReopenPeriodMs));
        reopen(idle, result.idleClosed, openIdle);
        reopen(slow, result.slowClosed, openSlow);
        if (Clock::now() < nextLine) continue;
        nextLine += std::chrono::milliseconds(kSlowPeriodMs);
        const std::string header = "X-Slow-" + std::to_string(line++) + ": 1\r\n";
        for (int fd : slow)
            if (fd >= 0) ::send(fd, header.data(), header.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    probe.finish();
    result.p50 = probe.percentile(0.50);
    result.p99 = probe.percentile(0.99);
    result.max = probe.percentile(1.0);
    result.answered = probe.answered();
    result.failed = probe.failed();
    result.peakMb = memory.peakMb();

    // Stopping with the slow senders and the idle sockets still connected.
    const auto signalled = Clock::now();
    ::kill(server, SIGTERM);
    for (int waited = 0; waited < kStopWaitMs; waited += 10) {
        int status = 0;
        if (::waitpid(server, &status, WNOHANG) == server) {
            result.stopMs = Ms(Clock::now() - signalled).count();
            result.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    for (int fd : idle)
        if (fd >= 0) ::close(fd);
    for (int fd : slow)
        if (fd >= 0) ::close(fd);
    return result;
}

// Everything the server sends on `fd` until it closes or `ms` pass ("" on silence).
std::string replyOf(int fd, int ms) {
    std::string reply;
    const auto deadline = Clock::now() + std::chrono::milliseconds(ms);
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kSendStepMs) <= 0) continue;
        char buffer[4096];
        const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0) return reply;
        reply.append(buffer, static_cast<size_t>(n));
    }
    return reply + "<open>";
}

struct SmuggleResult {
    int tried = 0, refusedOnce = 0;
    bool hiddenListed = false;
};

SmuggleResult smuggle(int port) {
    const std::string hidden = std::string("GET ") + kPath +
                               "?myname=HIDDEN&myscore=4242 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    const std::string length = std::to_string(hidden.size());
    const std::string head = std::string("GET ") + kPath + " HTTP/1.1\r\nHost: 127.0.0.1\r\n";
    const std::string attacks[] = {
        head + "Content-Length: 0\r\nContent-Length: " + length + "\r\n\r\n" + hidden,
        head + "Content-Length: " + length + "\r\nTransfer-Encoding: chunked\r\n\r\n0\r\n\r\n" +
            hidden,
        head + "Transfer-Encoding: xchunked\r\n\r\n" + hidden,
        head + "Content-Length: 0" + std::string(1, '\0') + length + "\r\n\r\n" + hidden,
        head + "Content-Length: 0\r\n " + length + "\r\n\r\n" + hidden,
    };
    SmuggleResult result;
    for (const std::string& attack : attacks) {
        const int fd = connectFrom(1, port);
        if (fd < 0) continue;
        ++result.tried;
        ::send(fd, attack.data(), attack.size(), MSG_NOSIGNAL);
        const std::string reply = replyOf(fd, kProbeTimeoutMs);
        ::close(fd);
        const bool refused =
            reply.compare(0, 10, "HTTP/1.1 4") == 0 || reply.compare(0, 10, "HTTP/1.1 5") == 0;
        if (refused && reply.find("HTTP/1.1", 1) == std::string::npos &&
            reply.find("<open>") == std::string::npos)
            ++result.refusedOnce;
    }
    const int fd = connectFrom(1, port);
    if (fd >= 0) {
        const std::string list = std::string("GET ") + kPath +
                                 " HTTP/1.1\r\nHost: 127.0.0.1\r\nConnection: close\r\n\r\n";
        ::send(fd, list.data(), list.size(), MSG_NOSIGNAL);
        result.hiddenListed = replyOf(fd, kProbeTimeoutMs).find("HIDDEN") != std::string::npos;
        ::close(fd);
    }
    return result;
}

Options parse(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") {
            options.serverOptions.assign(argv + i + 1, argv + argc);
            break;
        }
        if (arg == "--check") {
            options.check = true;
            continue;
        }
        if (i + 1 >= argc) break;
        const char* value = argv[++i];
        if (arg == "--server")
            options.server = value;
        else if (arg == "--clients")
            options.clients = std::clamp(std::atoi(value), 1, 16);
        else if (arg == "--megabytes")
            options.megabytes = std::clamp(std::atol(value), 1L, 1024L);
        else if (arg == "--idle")
            options.idle = std::clamp(std::atoi(value), 0, 4000);
        else if (arg == "--slow")
            options.slow = std::clamp(std::atoi(value), 0, 1000);
        else if (arg == "--seconds")
            options.seconds = std::clamp(std::atoi(value), 1, 120);
        else if (arg == "--max-mb")
            options.maxMb = std::max(1L, std::atol(value));
    }
    return options;
}

}  // namespace

int main(int argc, char** argv) {
    const Options options = parse(argc, argv);
    ::signal(SIGPIPE, SIG_IGN);
    std::string directory =
        (std::filesystem::temp_directory_path() / "scoreserver_attackXXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) return 1;
    const StartedServer server =
        startScoreServer(options.server, directory + "/scores.sqlite", options.serverOptions);
    if (server.pid <= 0 || server.port <= 0) {
        std::fprintf(stderr, "scoreserver_attack: the server did not start\n");
        return 1;
    }
    int failures = 0;
    const auto expect = [&](bool ok, const char* what) {
        if (!ok && options.check) {
            std::printf("FAILED: %s\n", what);
            ++failures;
        }
    };
    HoldResult held;
    {
        MemoryWatch memory(server.pid);
        std::printf("server %s, %ld MB resident at start\n", options.server.c_str(),
                    memory.nowMb());
        for (const bool headerLines : {false, true}) {
            const FloodResult f = flood(options, server.port, memory, headerLines);
            std::printf(
                "%-7s %d clients x %ld MB: at most %.1f MB sent before the server cut it;"
                " peak %ld MB resident, %ld MB after they left\n",
                headerLines ? "headers" : "line", options.clients, options.megabytes, f.mostSentMb,
                f.peakMb, f.afterMb);
            expect(f.mostSentMb < static_cast<double>(options.megabytes) / 2,
                   "the long request was not cut early");
            expect(f.peakMb < options.maxMb, "memory went over the bound");
        }
        const SmuggleResult smuggled = smuggle(server.port);
        std::printf(
            "smuggle %d framings each hiding an upload: %d refused with one answer and"
            " closed; hidden upload %s\n",
            smuggled.tried, smuggled.refusedOnce,
            smuggled.hiddenListed ? "LISTED" : "never listed");
        expect(smuggled.tried > 0 && smuggled.refusedOnce == smuggled.tried,
               "a framing was not refused with one answer");
        expect(!smuggled.hiddenListed, "an upload hidden behind a framing was stored");
        held = hold(options, server.pid, server.port, memory);
    }
    std::printf(
        "hold    %d idle and %d slow sockets for %d s (reopened when closed): the server"
        " closed %d and %d; peak %ld MB resident\n",
        held.idleOpened, held.slowOpened, options.seconds, held.idleClosed, held.slowClosed,
        held.peakMb);
    std::printf("probe   %zu answered, %d failed; ms p50 %.2f  p99 %.2f  max %.2f\n", held.answered,
                held.failed, held.p50, held.p99, held.max);
    if (held.stopMs >= 0)
        std::printf("SIGTERM with the slow senders connected: ended in %.0f ms, status %d\n",
                    held.stopMs, held.exitStatus);
    else
        std::printf("SIGTERM with the slow senders connected: still running after %d ms\n",
                    kStopWaitMs);
    expect(held.failed == 0 && held.answered > 0, "a probe went unanswered");
    expect(held.peakMb < options.maxMb, "memory went over the bound while holding");
    expect(held.idleClosed >= held.idleOpened, "idle sockets were left open");
    expect(held.slowClosed >= held.slowOpened, "slow senders were left connected");
    expect(held.stopMs >= 0 && held.exitStatus == 0, "SIGTERM did not stop the server cleanly");
    if (held.stopMs < 0) {
        ::kill(server.pid, SIGKILL);
        ::waitpid(server.pid, nullptr, 0);
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return failures == 0 ? 0 : 1;
}
