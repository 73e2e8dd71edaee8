// scoreserver_load: starts scoreserver on a free loopback port with a fresh database and drives
// it with concurrent keep-alive clients, reporting requests per second and latency percentiles.
// With --db the servers use that database instead (a postgresql:// address for several); with
// --instances N, N servers share it and the clients are spread over them.
//   scoreserver_load [--clients N] [--seconds S] [--mix list|upload|game] [--db ADDRESS]
//                    [--instances N]
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kOutputWaitMs = 10000;
constexpr int kGameUploadsPerList = 4;  // a synchronize: a few uploads, then the list

using Clock = std::chrono::steady_clock;

struct Options {
    int clients = 8;
    int seconds = 10;
    std::string mix = "game";
    std::string db;  // a fresh SQLite file when empty
    int instances = 1;
};

pid_t startServer(const std::string& database, int& port) {
    int fds[2];
    if (::pipe(fds) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    std::string program = SCORESERVER_PATH, listen = "--listen", address = "127.0.0.1:0",
                db = "--db", file = database;
    char* argv[] = {program.data(), listen.data(), address.data(), db.data(), file.data(), nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    std::string line;
    pollfd waiting{fds[0], POLLIN, 0};
    while (pid > 0 && line.find('\n') == std::string::npos &&
           ::poll(&waiting, 1, kOutputWaitMs) > 0) {
        char buffer[128];
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        line.append(buffer, static_cast<size_t>(n));
    }
    ::close(fds[0]);
    const size_t colon = line.rfind(':');
    port = colon == std::string::npos ? 0 : std::atoi(line.c_str() + colon + 1);
    return pid;
}

double percentile(std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const size_t at =
        std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())));
    return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--clients")
            options.clients = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--seconds")
            options.seconds = std::max(1, std::atoi(argv[i + 1]));
        else if (arg == "--mix")
            options.mix = argv[i + 1];
        else if (arg == "--db")
            options.db = argv[i + 1];
        else if (arg == "--instances")
            options.instances = std::max(1, std::atoi(argv[i + 1]));
    }
    std::string directory =
        (std::filesystem::temp_directory_path() / "scoreserver_loadXXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) return 1;
    const std::string database = options.db.empty() ? directory + "/scores.sqlite" : options.db;
    std::vector<pid_t> servers;
    std::vector<int> ports;
    for (int i = 0; i < options.instances; ++i) {
        int port = 0;
        const pid_t server = startServer(database, port);
        if (server > 0) servers.push_back(server);
        if (server <= 0 || port <= 0) {
            std::fprintf(stderr, "scoreserver_load: the server did not start\n");
            for (pid_t started : servers) ::kill(started, SIGKILL);
            return 1;
        }
        ports.push_back(port);
    }

    std::atomic<bool> stop{false};
    std::vector<std::vector<double>> latencies(options.clients);
    std::vector<long> failures(options.clients, 0);
    std::vector<std::thread> threads;
    for (int c = 0; c < options.clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", ports[static_cast<size_t>(c) % ports.size()]);
            client.set_keep_alive(true);
            for (long n = 0; !stop; ++n) {
                std::string target = kPath;
                const bool uploadNow =
                    options.mix == "upload" ||
                    (options.mix == "game" && n % (kGameUploadsPerList + 1) != 0);
                if (uploadNow)
                    target += "?myname=L" + std::to_string(c) +
                              "&myscore=" + std::to_string(n * 7919 % 1000003);
                const auto start = Clock::now();
                auto result = client.Get(target);
                const auto end = Clock::now();
                if (!result || result->status != 200) ++failures[c];
                latencies[c].push_back(
                    std::chrono::duration<double, std::milli>(end - start).count());
            }
        });
    }
    const auto begin = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    stop = true;
    for (auto& t : threads) t.join();
    const double elapsed = std::chrono::duration<double>(Clock::now() - begin).count();

    std::vector<double> all;
    long failed = 0;
    for (int c = 0; c < options.clients; ++c) {
        all.insert(all.end(), latencies[c].begin(), latencies[c].end());
        failed += failures[c];
    }
    std::sort(all.begin(), all.end());
    std::printf(
        "mix %s, %d clients, %d server(s), %.1f s: %zu requests, %.0f per second, %ld failed\n",
        options.mix.c_str(), options.clients, options.instances, elapsed, all.size(),
        static_cast<double>(all.size()) / elapsed, failed);
    std::printf("latency ms: p50 %.2f  p90 %.2f  p99 %.2f  max %.2f\n", percentile(all, 0.50),
                percentile(all, 0.90), percentile(all, 0.99), all.empty() ? 0.0 : all.back());

    bool clean = true;
    for (pid_t server : servers) {
        ::kill(server, SIGTERM);
        int status = 0;
        ::waitpid(server, &status, 0);
        clean = clean && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return failed == 0 && clean ? 0 : 1;
}
