// scoreserver_load: starts scoreserver on a free loopback port with a fresh database and drives
// it with concurrent keep-alive clients, reporting requests per second and latency percentiles.
// With --db the servers use that database instead (a postgresql:// address for several); with
// --instances N, N servers share it and the clients are spread over them.
// --server runs another scoreserver program (an older build, to compare); options after "--"
// go to the servers. Every client comes from 127.0.0.1, so the per-client upload rate is off
// unless those options set it.
//   scoreserver_load [--clients N] [--seconds S] [--mix list|upload|game] [--db ADDRESS]
//                    [--instances N] [--server PROGRAM] [-- SERVER-OPTIONS...]
#include <httplib.h>
#include <signal.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "bench/scores/server_process.h"

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
constexpr int kGameUploadsPerList = 4;  // a synchronize: a few uploads, then the list

using Clock = std::chrono::steady_clock;

struct Options {
    int clients = 8;
    int seconds = 10;
    std::string mix = "game";
    std::string db;  // a fresh SQLite file when empty
    int instances = 1;
    std::string server = SCORESERVER_PATH;
    std::vector<std::string> serverOptions;
};

double percentile(std::vector<double>& sorted, double p) {
    if (sorted.empty()) return 0;
    const size_t at =
        std::min(sorted.size() - 1, static_cast<size_t>(p * static_cast<double>(sorted.size())));
    return sorted[at];
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    for (int i = 1; i < argc; i += 2) {
        const std::string arg = argv[i];
        if (arg == "--") {
            options.serverOptions.assign(argv + i + 1, argv + argc);
            break;
        }
        if (i + 1 >= argc) break;
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
        else if (arg == "--server")
            options.server = argv[i + 1];
    }
    options.serverOptions.insert(options.serverOptions.begin(), {"--upload-rate", "0"});
    std::string directory =
        (std::filesystem::temp_directory_path() / "scoreserver_loadXXXXXX").string();
    if (::mkdtemp(directory.data()) == nullptr) return 1;
    const std::string database = options.db.empty() ? directory + "/scores.sqlite" : options.db;
    std::vector<pid_t> servers;
    std::vector<int> ports;
    for (int i = 0; i < options.instances; ++i) {
        const StartedServer launched =
            startScoreServer(options.server, database, options.serverOptions);
        const pid_t server = launched.pid;
        const int port = launched.port;
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
