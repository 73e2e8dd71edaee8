// synchronize with 100 pending entries against the score server on loopback, as a multiple of
// one with nothing pending (the list alone).
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "bench/support/ratio_main.h"
#include "platform/files.h"
#include "scores/score_table.h"
#include "server/score_server.h"
#include "server/sqlite_store.h"

namespace {

constexpr int kStartPolls = 5000;  // 1 ms each

class LoopbackServer {
  public:
    // Every upload comes from 127.0.0.1: the per-client upload rate is off.
    LoopbackServer() : store(directory() + "scores.sqlite"), server(store, unlimited()) {
        const int port = server.bind("127.0.0.1", 0);
        thread = std::thread([this] { server.run(); });
        for (int i = 0; i < kStartPolls && !server.running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::setenv("VEXTORIUM2_SCORE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
        platform::setProgramDirectory(directory());
    }
    ~LoopbackServer() {
        server.stop();
        thread.join();
        std::error_code ignored;
        std::filesystem::remove_all(directory(), ignored);
    }
    static const std::string& directory() {
        static const std::string path = [] {
            std::string pattern =
                (std::filesystem::temp_directory_path() / "scores_benchXXXXXX").string();
            return ::mkdtemp(pattern.data()) != nullptr ? pattern + "/" : std::string("./");
        }();
        return path;
    }

    static ServerLimits unlimited() {
        ServerLimits limits;
        limits.uploadsPerSecond = 0;
        return limits;
    }

    SqliteScoreStore store;
    ScoreServer server;
    std::thread thread;
};

LoopbackServer& loopback() {
    static LoopbackServer server;
    return server;
}

void synchronizeWith(benchmark::State& state, int pending) {
    loopback();
    for (auto _ : state) {
        state.PauseTiming();
        // A fresh default table each time: the last one's saved list would shut new scores out.
        std::filesystem::remove(LoopbackServer::directory() + "ScoreList.sav");
        auto* table = new ScoreTable;
        for (int i = 0; i < pending; ++i)
            table->insert(u"B" + std::u16string(1, u'A' + i % 26), 20000 + i);
        state.ResumeTiming();
        table->synchronize();
        state.PauseTiming();
        int stillPending = 0;
        for (int i = 0; i < ScoreTable::kEntryCount; ++i) stillPending += table->entry(i).pending;
        if (stillPending != 0) state.SkipWithError("an upload was not answered");
        delete table;
        state.ResumeTiming();
    }
}

void BM_SynchronizeListOnly(benchmark::State& state) {
    synchronizeWith(state, 0);
}
void BM_Synchronize100Pending(benchmark::State& state) {
    synchronizeWith(state, 100);
}

BENCHMARK(BM_SynchronizeListOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Synchronize100Pending)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return runWithRatios(argc, argv, "BM_SynchronizeListOnly/real_time");
}
