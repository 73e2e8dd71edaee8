// Level sets on the server end to end: a set published, listed, served and taken down, and a
// game the replay runner played on it proven on that set's file and listed on its board only.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "in_process_server.h"
#include "record/sha256.h"

namespace {

constexpr const char* kScript = "/Vextorium2/updateScore.php";

// Three levels of 16 x 11 cells; every level a row of stone bricks in ten colours at row 8 and
// one stable brick above it.
std::string smallSet() {
    std::string file(2112, '\0');
    auto set = [&file](int level, int row, int column, int code) {
        file[4 * static_cast<size_t>((level * 16 + row) * 11 + column)] = static_cast<char>(code);
    };
    for (int level = 0; level < 3; ++level) {
        for (int column = 0; column < 11; ++column) set(level, 8, column, 10 + column % 10);
        set(level, 7, 5, 51);
    }
    return file;
}

std::string hexDigest(const std::string& bytes) {
    return Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct Answer {
    int status = -1;
    std::string body;
};

Answer get(const InProcessServer& server, const std::string& target) {
    auto client = server.client();
    const auto result = client.Get(target);
    return result ? Answer{result->status, result->body} : Answer{};
}

Answer post(const InProcessServer& server, const std::string& target, const std::string& body) {
    auto client = server.client();
    const auto result = client.Post(target, body, "application/octet-stream");
    return result ? Answer{result->status, result->body} : Answer{};
}

}  // namespace

TEST(LevelSetServerTest, ASetIsPublishedServedAndTakenDownAndItsGameIsOnItsBoardOnly) {
    // The built-in player on the set, from the menu, in a directory of the built-in set.
    const std::string dir = makeTempDirectory("set_game");
    std::filesystem::copy_file(BRICKMAP_PATH, dir + "BrickMap.dat");
    const std::string set = smallSet();
    std::ofstream(dir + "set.dat", std::ios::binary) << set;
    const std::string command =
        "printf '100 press action\\n800 press action\\n1500 press action\\n' | " +
        std::string(REPLAY_PATH) + " --dir " + dir + " --levels " + dir +
        "set.dat --script - --autoplay --seed 2 --until 2000000 --trace " + dir + "trace.txt";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string id = hexDigest(set);
    const std::string record = readFile(dir + "sets/" + id + "/GameRecord.dat");
    ASSERT_FALSE(record.empty()) << "the set's files are its own";
    EXPECT_FALSE(std::filesystem::exists(dir + "ScoreList.sav"));
    EXPECT_FALSE(std::filesystem::exists(dir + "AutoSave.dat"));
    const std::string trace = readFile(dir + "trace.txt");
    ASSERT_NE(trace.find("state VICTORY"), std::string::npos) << "all three levels cleared";
    const size_t lastScore = trace.rfind(" score ");
    const std::string score =
        trace.substr(lastScore + 7, trace.find('\n', lastScore) - lastScore - 7);
    std::filesystem::remove_all(dir);

    ServerLimits limits = withoutUploadRate();
    limits.proofs.verifier = REPLAY_PATH;
    limits.proofs.levels = BRICKMAP_PATH;
    limits.proofs.verifiers = 1;
    InProcessServer server(limits, nullptr, {}, true);

    // Publishing: a name like a player's, and a set that passes the game's checks.
    EXPECT_EQ(post(server, "/sets?name=A;B", set).status, 400);
    EXPECT_EQ(post(server, "/sets", set).status, 400);
    const Answer cut = post(server, "/sets?name=CUT", set.substr(1));
    EXPECT_EQ(cut.status, 422);
    EXPECT_EQ(cut.body, "refused: a level file holds 2,112 bytes, this one 2,111\n");
    EXPECT_EQ(post(server, "/sets?name=BIG", set + set).status, 413);
    std::string stableOnly = set;
    for (int column = 0; column < 11; ++column) stableOnly[4 * ((16 + 8) * 11 + column)] = 51;
    EXPECT_EQ(post(server, "/sets?name=WALL", stableOnly).body,
              "refused: level 2 has no brick to break (stable bricks do not count)\n");
    const Answer published = post(server, "/sets?name=RUNNER", set);
    EXPECT_EQ(published.status, 200);
    EXPECT_EQ(published.body, id + "\n");
    EXPECT_EQ(get(server, "/sets/" + id).body, set);
    EXPECT_EQ(get(server, "/sets/" + std::string(64, '0')).status, 404);
    EXPECT_NE(get(server, "/sets").body.find("href=\"/?set=" + id + "\""), std::string::npos);

    // The game on the built-in board: played on the built-in levels, it is refused.
    const std::string proofId = post(server, "/Vextorium2/proof", record).body.substr(0, 64);
    ASSERT_EQ(proofId, hexDigest(record));
    const std::string game = "myname=RUNNER&myscore=" + score + "&myproof=" + proofId;
    const Answer builtIn = get(server, std::string(kScript) + "?" + game + "&myid=u1");
    EXPECT_EQ(builtIn.status, 422);
    EXPECT_EQ(builtIn.body, "refused: the record was made on another level file\n");
    // On its set's board: proven on the set's file. A plain score is not taken there.
    ASSERT_EQ(post(server, "/Vextorium2/proof", record).status, 200);
    const Answer onSet = get(server, std::string(kScript) + "?" + game + "&myid=u2&set=" + id);
    EXPECT_EQ(onSet.status, 200) << onSet.body;
    EXPECT_EQ(get(server, std::string(kScript) + "?myname=P&myscore=9&set=" + id).status, 422);

    EXPECT_EQ(get(server, std::string(kScript) + "?set=" + id).body, ";RUNNER," + score);
    EXPECT_NE(get(server, "/scores.json?set=" + id).body.find("\"replay\":\"/replays/" + proofId),
              std::string::npos);
    EXPECT_NE(get(server, "/scores?set=" + id).body.find("watch.html?set=" + id + "&amp;game="),
              std::string::npos);
    EXPECT_EQ(get(server, kScript).body, "") << "the built-in board holds built-in games only";
    EXPECT_EQ(get(server, "/scores.json").body, "[]");
    EXPECT_NE(get(server, "/sets.json").body.find("\"name\":\"RUNNER\",\"published\":"),
              std::string::npos);
    EXPECT_NE(get(server, "/sets.json").body.find("\"proven\":1,\"best\":" + score + "}"),
              std::string::npos);

    // The operator takes it down from the command line, for every server of the store.
    const std::string hide = std::string(SCORESERVER_PATH) + " --hide-set " + id + " --db " +
                             server.directory + "scores.sqlite >/dev/null";
    EXPECT_EQ(std::system(hide.c_str()), 0);
    EXPECT_EQ(get(server, "/sets/" + id).status, 404);
    EXPECT_EQ(get(server, "/scores.json?set=" + id).status, 404);
    EXPECT_EQ(get(server, "/sets.json").body, "[]");
    EXPECT_EQ(post(server, "/sets?name=AGAIN", set).status, 410);
}
