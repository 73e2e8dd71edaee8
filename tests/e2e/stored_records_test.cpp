// The stored records (tests/proof/records, made by tests/proof/records/make): each record of
// this build's rules plays back to its stored verdict (score and game key) and the level, lives
// and score lines its game went through; each record of an earlier rules version is answered
// as made under other rules. A change that fails here changes how a recorded game plays out
// (raise the rules version) or how a game is named (every server's once-only keys with it).
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "record/level_set.h"
#include "record/rules_version.h"
#include "tests/e2e/e2e_fixture.h"

namespace {
namespace fs = std::filesystem;

std::vector<fs::path> storedRecords() {
    std::vector<fs::path> records;
    for (const auto& entry : fs::recursive_directory_iterator(V2_RECORDS_DIR))
        if (entry.path().extension() == ".rec") records.push_back(entry.path());
    std::sort(records.begin(), records.end());
    return records;
}

std::string readText(const fs::path& file) {
    std::ifstream in(file);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class StoredRecord : public EndToEnd, public ::testing::WithParamInterface<fs::path> {
  protected:
    std::string run(const std::string& args) {
        runProcess(
            {"sh", "-c", std::string(V2_REPLAY) + " " + args + " > '" + path("out.txt") + "'"});
        return readText(path("out.txt"));
    }
};

TEST_P(StoredRecord, PlaysOutAsStored) {
    const fs::path record = GetParam();
    const std::string version = record.parent_path().filename().string();
    if (version != std::to_string(kRulesVersion)) {
        EXPECT_EQ(run("--verify '" + record.string() + "' --levels '" + path("BrickMap.dat") + "'"),
                  "unproven the record was made under rules version " + version + ", not " +
                      std::to_string(kRulesVersion) + "\n");
        return;
    }
    std::string played = run("--proof '" + record.string() + "' --dir '" + dir.string() +
                             "' --trace '" + path("trace.txt") + "'");
    for (const std::string& line : trace()) {
        const std::string what = line.substr(line.find(' ') + 1);
        if (what.starts_with("level ") || what.starts_with("lives ") || what.starts_with("score "))
            played += what + "\n";
    }
    fs::path expected = record;
    expected.replace_extension(".expected");
    EXPECT_EQ(played, readText(expected));
}

// A look changes only the pictures: every stored game plays to the same score and key in each
// look and with the sound cues, its sparks and blasts included. (High contrast draws sparks as
// the plain look does; flash-safe draws them its own way, taking the same draws.)
TEST_P(StoredRecord, ProvesTheSameInEveryLook) {
    const fs::path record = GetParam();
    if (record.parent_path().filename().string() != std::to_string(kRulesVersion)) return;
    fs::path expected = record;
    expected.replace_extension(".expected");
    const std::string stored = readText(expected);
    const std::string verdict = stored.substr(0, stored.find('\n') + 1);
    for (const char* look : {" --look high-contrast", " --look flash-safe --cues"}) {
        EXPECT_EQ(run("--verify '" + record.string() + "' --levels '" + path("BrickMap.dat") + "'" +
                      look),
                  verdict)
            << look;
    }
}

INSTANTIATE_TEST_SUITE_P(Records, StoredRecord, ::testing::ValuesIn(storedRecords()),
                         [](const auto& info) {
                             std::string name = "v" + info.param.parent_path().filename().string() +
                                                "_" + info.param.stem().string();
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

// The level sets of our own (assets/sets/, built into bin/sets/NAME.dat), each cleared by the
// built-in player in a record of tests/proof/set-records (made by its make script): proven on its
// set with the stored verdict, played back through the stored levels, lives and scores, and
// cleared: the record ends as the game passes beyond the last level, into its victory.
std::vector<fs::path> setRecords() {
    std::vector<fs::path> records;
    const fs::path dir = fs::path(V2_SET_RECORDS_DIR) / std::to_string(kRulesVersion);
    for (const auto& entry : fs::directory_iterator(dir))
        if (entry.path().extension() == ".rec") records.push_back(entry.path());
    std::sort(records.begin(), records.end());
    return records;
}

class ShippedSet : public StoredRecord {};

TEST_P(ShippedSet, IsClearedToVictoryByItsRecord) {
    const fs::path record = GetParam();
    const fs::path set = fs::path(V2_BIN_DIR) / "sets" / (record.stem().string() + ".dat");
    ASSERT_TRUE(fs::exists(set)) << set;
    const std::string expected = readText(fs::path(record).replace_extension(".expected"));
    const std::string verdict = expected.substr(0, expected.find('\n') + 1);
    EXPECT_EQ(run("--verify '" + record.string() + "' --levels '" + set.string() + "'"), verdict);
    // Not on the built-in levels: the record names its own set's file.
    EXPECT_TRUE(run("--verify '" + record.string() + "'").starts_with("refused "));

    std::string played = run("--proof '" + record.string() + "' --levels '" + set.string() +
                             "' --dir '" + dir.string() + "' --trace '" + path("trace.txt") + "'");
    std::string lastLevel;
    for (const std::string& line : trace()) {
        const std::string what = line.substr(line.find(' ') + 1);
        if (what.starts_with("level ") || what.starts_with("lives ") || what.starts_with("score "))
            played += what + "\n";
        if (what.starts_with("level ")) lastLevel = what;
    }
    EXPECT_EQ(played, expected);
    EXPECT_EQ(lastLevel, "level " + std::to_string(level_set::kLevels + 1))
        << record.stem() << " is not cleared to the victory";
}

INSTANTIATE_TEST_SUITE_P(Sets, ShippedSet, ::testing::ValuesIn(setRecords()),
                         [](const auto& info) { return info.param.stem().string(); });

}  // namespace
