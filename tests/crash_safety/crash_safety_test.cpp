// Kills a process that keeps saving ScoreList.sav and AutoSave.dat at random moments, and checks
// after every kill that each file is a complete version the writer wrote, never a torn one, and
// never older than what was already seen.
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRuns = 300;
constexpr auto kTimeBudget = std::chrono::seconds(30);  // bounded even on a slow machine
constexpr int kStartUpTimeoutMs = 10000;
// Kills come at a random moment within this many generations after start-up, the length of a
// generation being measured as the test goes (sanitizer builds are several times slower).
constexpr double kGenerationsPerWindow = 3.0;
constexpr double kFirstGuessMs = 20.0;
constexpr uint32_t kRandomSeed = 20261207;

// ScoreList.sav as the writer leaves it after generation k, worked out from the table rules: the
// file starts without music and with sound effects; each generation's score is above every
// other, so the newest stands first, pending, and one default entry falls off the end.
std::vector<uint8_t> expectedScoreFile(uint32_t k) {
    std::vector<uint8_t> bytes = {0, 1};
    auto record = [&](uint8_t pending, const std::string& name, uint32_t score) {
        std::vector<uint8_t> r(32, 0);
        r[0] = pending;
        for (size_t u = 0; u < name.size(); ++u) r[2 + 2 * u] = static_cast<uint8_t>(name[u]);
        for (int b = 0; b < 4; ++b) r[20 + b] = static_cast<uint8_t>(score >> (8 * b));
        bytes.insert(bytes.end(), r.begin(), r.end());
    };
    const uint32_t ours = k < 100 ? k : 100;
    for (uint32_t i = 0; i < ours; ++i) record(1, "W" + std::to_string(k - i), 10000 + k - i);
    for (uint32_t j = 0; j < 100 - ours; ++j) record(0, "MERVAN", 10000 - 100 * j);
    return bytes;
}

// AutoSave.dat after generation k: level 1, 3 lives, score k.
std::vector<uint8_t> expectedSave(uint32_t k) {
    std::vector<uint8_t> bytes = {1, 0, 0, 0, 3, 0, 0, 0};
    for (int b = 0; b < 4; ++b) bytes.push_back(static_cast<uint8_t>(k >> (8 * b)));
    return bytes;
}

std::optional<std::vector<uint8_t>> readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
}

// The last generation the writer announced (a line cut short by the kill does not count).
uint32_t journaledGeneration(const fs::path& path) {
    const auto bytes = readFile(path);
    if (!bytes) return 0;
    const std::string text(bytes->begin(), bytes->end());
    const size_t end = text.rfind('\n');
    if (end == std::string::npos) return 0;
    const size_t start = text.rfind('\n', end - 1);
    return static_cast<uint32_t>(
        std::stoul(text.substr(start == std::string::npos ? 0 : start + 1, end)));
}

// Which version of the file this is, among generations newest - 1 and newest: its generation, 0
// for none yet (missing, or empty where loading creates an empty file), nothing when it matches
// no version the writer could have left.
template <typename Expected>
std::optional<uint32_t> versionOf(const std::optional<std::vector<uint8_t>>& bytes, uint32_t newest,
                                  Expected expected, bool emptyIsNone) {
    if (!bytes || (emptyIsNone && bytes->empty())) {
        if (newest <= 1) return 0;
        return std::nullopt;
    }
    for (uint32_t k = newest > 0 ? newest - 1 : 0; k <= newest; ++k)
        if (k > 0 && *bytes == expected(k)) return k;
    return std::nullopt;
}

class CrashSafety : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "v2-crash-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir, ignored);
    }
    fs::path dir;
};

}  // namespace

TEST_F(CrashSafety, FilesAreAlwaysAWholeOldOrNewVersionWhenTheWriterIsKilled) {
    std::mt19937 random(kRandomSeed);
    const auto start = std::chrono::steady_clock::now();
    double generationMs = kFirstGuessMs;
    double writingMs = 0;  // time writers ran after start-up, and the generations they made
    uint32_t written = 0;
    uint32_t lastTable = 0, lastSave = 0;
    int runs = 0, tableBehind = 0, saveBehind = 0;  // kills that left the older version

    for (; runs < kRuns && std::chrono::steady_clock::now() - start < kTimeBudget; ++runs) {
        const uint32_t journaledBefore = journaledGeneration(dir / "journal");
        int ready[2];
        ASSERT_EQ(::pipe(ready), 0);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            ::dup2(ready[1], STDOUT_FILENO);
            ::execl(CRASH_SAFETY_WRITER, CRASH_SAFETY_WRITER, dir.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(ready[1]);
        pollfd wait = {ready[0], POLLIN, 0};
        char byte = 0;
        const bool started =
            ::poll(&wait, 1, kStartUpTimeoutMs) == 1 && ::read(ready[0], &byte, 1) == 1;
        ::close(ready[0]);
        const auto writing = std::chrono::steady_clock::now();
        if (started) {
            std::uniform_real_distribution<double> delayMs(0, kGenerationsPerWindow * generationMs);
            std::this_thread::sleep_for(std::chrono::duration<double, std::milli>(delayMs(random)));
        }
        ASSERT_EQ(::kill(pid, SIGKILL), 0);
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(started) << "the writer did not start";
        ASSERT_TRUE(WIFSIGNALED(status)) << "the writer stopped by itself, status " << status;

        const uint32_t journaled = journaledGeneration(dir / "journal");
        writingMs +=
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - writing)
                .count();
        written += journaled - journaledBefore;
        if (written > 0) generationMs = writingMs / written;
        const auto table =
            versionOf(readFile(dir / "ScoreList.sav"), journaled, expectedScoreFile, false);
        // Each generation saves the table, then the game: a writer killed between the two and
        // started again goes on from the table, so the game may lag the table by several
        // generations, but it is always one whole version, no older than the last one seen.
        const auto saveBytes = readFile(dir / "AutoSave.dat");
        std::optional<uint32_t> save;
        if (!saveBytes || saveBytes->empty()) {
            if (lastSave == 0) save = 0;
        } else if (saveBytes->size() == 12) {
            const uint32_t k = (*saveBytes)[8] | ((*saveBytes)[9] << 8) | ((*saveBytes)[10] << 16) |
                               (static_cast<uint32_t>((*saveBytes)[11]) << 24);
            if (k >= 1 && k <= table.value_or(0) && *saveBytes == expectedSave(k)) save = k;
        }
        ASSERT_TRUE(table.has_value()) << "run " << runs << ": ScoreList.sav is no version of "
                                       << "generation " << journaled << " or the one before";
        ASSERT_TRUE(save.has_value()) << "run " << runs << ": AutoSave.dat is no version from "
                                      << "generation " << lastSave << " to " << *table;
        EXPECT_GE(*table, lastTable) << "run " << runs << ": the score table went back";
        EXPECT_GE(*save, lastSave) << "run " << runs << ": the saved game went back";
        lastTable = *table;
        lastSave = *save;
        tableBehind += journaled > 0 && *table + 1 == journaled ? 1 : 0;
        saveBehind += *save < *table ? 1 : 0;
    }

    int leftTemporaries = 0;  // temporary files of writers killed before their rename
    for (const auto& entry : fs::directory_iterator(dir))
        leftTemporaries += entry.path().filename().string().find(".tmp") != std::string::npos;
    // The kills must have landed among the writes, not only before the first one.
    EXPECT_GE(runs, 50);
    EXPECT_GE(lastTable, 20u);
    // A killed writer's temporary file is cleared by the next whole write of the same file, so
    // only those of the last few writers can remain (without the clearing, about a third of
    // the kills left one).
    EXPECT_LE(leftTemporaries, 8);
    std::cout << runs << " kills, about " << generationMs << " ms a generation, " << lastTable
              << " generations; killed before the new score "
              << "table was in place " << tableBehind << " times, with the saved game behind the "
              << "table " << saveBehind << " times; " << leftTemporaries
              << " temporary files left\n";
}
