// scoreserver_load: starts scoreserver on a free loopback port with a fresh database and drives
// it with concurrent keep-alive clients, reporting requests per second and latency percentiles.
// With --db the servers use that database instead (a postgresql:// address for several); with
// --instances N, N servers share it and the clients are spread over them.
// --server runs another scoreserver program (an older build, to compare); options after "--"
// go to the servers. Every client comes from 127.0.0.1, so the per-client upload rate is off
// unless those options set it. With --requests N the run ends after N requests (or --seconds,
// whichever comes first); on a SQLite file of its own it then reports the rows and the file's
// size and checks that the listed scores are exactly the best of all uploaded.
//   scoreserver_load [--clients N] [--seconds S] [--requests N] [--mix list|upload|game]
//                    [--db ADDRESS] [--instances N] [--server PROGRAM] [-- SERVER-OPTIONS...]
#include <httplib.h>
#include <signal.h>
#include <sqlite3.h>
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
    long requests = 0;  // 0: no limit
    std::string mix = "game";
    std::string db;  // a fresh SQLite file when empty
    int instances = 1;
    std::string server = SCORESERVER_PATH;
    std::vector<std::string> serverOptions;
};

constexpr size_t kListed = 100;

// Keeps `best` the kListed highest scores seen, highest first.
void keepBest(std::vector<uint32_t>& best, uint32_t score) {
    if (best.size() == kListed && score <= best.back()) return;
    best.insert(std::upper_bound(best.begin(), best.end(), score, std::greater<>()), score);
    if (best.size() > kListed) best.pop_back();
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
        else if (arg == "--requests")
            options.requests = std::max(0L, std::atol(argv[i + 1]));
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
    std::atomic<long> issued{0};
    std::atomic<int> running{options.clients};
    // Each client's best kListed uploaded scores, answered 200.
    std::vector<std::vector<uint32_t>> uploaded(options.clients);
    for (int c = 0; c < options.clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", ports[static_cast<size_t>(c) % ports.size()]);
            client.set_keep_alive(true);
            for (long n = 0; !stop; ++n) {
                if (options.requests > 0 && issued.fetch_add(1) >= options.requests) break;
                std::string target = kPath;
                const bool uploadNow =
                    options.mix == "upload" ||
                    (options.mix == "game" && n % (kGameUploadsPerList + 1) != 0);
                // Scores differ between clients as well as within one.
                const auto score =
                    static_cast<uint32_t>((n * options.clients + c) * 7919 % 1000003);
                if (uploadNow)
                    target += "?myname=L" + std::to_string(c) + "&myscore=" + std::to_string(score);
                const auto start = Clock::now();
                auto result = client.Get(target);
                const auto end = Clock::now();
                if (!result || result->status != 200)
                    ++failures[c];
                else if (uploadNow)
                    keepBest(uploaded[c], score);
                latencies[c].push_back(
                    std::chrono::duration<double, std::milli>(end - start).count());
            }
            --running;
        });
    }
    const auto begin = Clock::now();
    while (running > 0 && Clock::now() - begin < std::chrono::seconds(options.seconds))
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
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

    // The listed scores against the best of everything answered 200.
    bool listRight = true;
    if (options.mix != "list") {
        std::vector<uint32_t> expected;
        for (const auto& best : uploaded)
            for (uint32_t score : best) keepBest(expected, score);
        httplib::Client client("127.0.0.1", ports[0]);
        auto result = client.Get(kPath);
        std::vector<uint32_t> listed;
        if (result && result->status == 200)
            for (size_t at = result->body.find(','); at != std::string::npos;
                 at = result->body.find(',', at + 1))
                listed.push_back(static_cast<uint32_t>(
                    std::strtoul(result->body.c_str() + at + 1, nullptr, 10)));
        listRight = listed == expected;
        std::printf("the list: %zu scores, %s\n", listed.size(),
                    listRight ? "exactly the best uploaded" : "NOT the best uploaded");
    }

    bool clean = true;
    for (pid_t server : servers) {
        ::kill(server, SIGTERM);
        int status = 0;
        ::waitpid(server, &status, 0);
        clean = clean && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    if (options.db.empty()) {
        sqlite3* db = nullptr;
        sqlite3_stmt* count = nullptr;
        long rows = -1;
        if (sqlite3_open_v2(database.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK &&
            sqlite3_prepare_v2(db, "SELECT count(*) FROM scores", -1, &count, nullptr) ==
                SQLITE_OK &&
            sqlite3_step(count) == SQLITE_ROW)
            rows = sqlite3_column_int64(count, 0);
        sqlite3_finalize(count);
        sqlite3_close(db);
        std::error_code none;
        const auto bytes = std::filesystem::file_size(database, none);
        std::printf("database: %ld rows, file %.1f MB\n", rows,
                    static_cast<double>(none ? 0 : bytes) / (1 << 20));
    }
    std::error_code ignored;
    std::filesystem::remove_all(directory, ignored);
    return failed == 0 && clean && listRight ? 0 : 1;
}
