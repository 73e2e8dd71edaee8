// A real game in the SDL window on an X server of its own (Xvfb), played with keys typed by
// xdotool from a new game to a game over and a high score, the name entered and the score sent
// with the left soft key to a score server on loopback that lists proven scores only. Skipped
// where Xvfb or xdotool is missing.
#include <fcntl.h>
#include <httplib.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <thread>

#include "record/record_codec.h"
#include "record/sha256.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/scoreserver/test_processes.h"
#include "tests/support/wav_builder.h"

namespace {
namespace fs = std::filesystem;
using std::chrono::milliseconds;

constexpr int kStartWaitMs = 10000;
constexpr int kPlayRounds = 240;    // a key round every 250 ms or more: a minute at least
constexpr int kSendRounds = 20;     // each waits up to 1.5 s for the list
constexpr size_t kEntryBytes = 32;  // ScoreList.sav: 2 switch bytes, then 100 of these
constexpr size_t kEntries = 100;

// Xvfb on a display it picks itself (it writes the number to our pipe), ended with the test.
class VirtualScreen {
  public:
    explicit VirtualScreen(const std::string& log) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        pid = spawnLogged({"setpriv", "--pdeathsig", "KILL", "--", "Xvfb", "-displayfd", "3",
                           "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
                          log, fds[1]);
        ::close(fds[1]);
        std::string number;
        pollfd waiting{fds[0], POLLIN, 0};
        char c = 0;
        while (pid > 0 && ::poll(&waiting, 1, kStartWaitMs) > 0 && ::read(fds[0], &c, 1) == 1 &&
               c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty()) display = ":" + number;
    }
    ~VirtualScreen() {
        if (pid <= 0) return;
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    pid_t pid = -1;
    std::string display;  // empty when the server did not start
};

class WindowGame : public EndToEnd {
  protected:
    // xdotool on our display, given at most ten seconds.
    int xdotool(const std::vector<std::string>& args) {
        std::vector<std::string> command = {"timeout", "10", "xdotool"};
        command.insert(command.end(), args.begin(), args.end());
        return runProcess(command, {"DISPLAY=" + display});
    }
    // The game's own files: the built-in set's beside the program, a level set's in its folder.
    std::vector<uint8_t> file(const std::string& name) const {
        return testing_support::readFile(path(filesFolder + name));
    }
    // GameRecord.dat holds a finished game: its last step is the game's end (0xE0), right
    // before the 8 check bytes (a cut's numbers end in a byte below 0x80).
    bool gameEnded() const {
        const std::vector<uint8_t> record = file("GameRecord.dat");
        return record.size() > 9 && record[record.size() - 9] == 0xE0;
    }

    // A click at a point of the frame, which the window shows scaled by a whole factor and
    // centred.
    void clickFramePoint(int x, int y) {
        ASSERT_EQ(runProcess({"sh", "-c",
                              "timeout 10 xdotool search --name '^Vextorium2$' "
                              "getwindowgeometry --shell > '" +
                                  path("geometry.txt") + "'"},
                             {"DISPLAY=" + display}),
                  0);
        std::ifstream in(path("geometry.txt"));
        int width = 0, height = 0;
        for (std::string line; std::getline(in, line);) {
            if (line.starts_with("WIDTH=")) width = std::stoi(line.substr(6));
            if (line.starts_with("HEIGHT=")) height = std::stoi(line.substr(7));
        }
        const int scale = std::max(1, std::min(width / 176, height / 220));
        const int wx = (width - 176 * scale) / 2 + x * scale + scale / 2;
        const int wy = (height - 220 * scale) / 2 + y * scale + scale / 2;
        ASSERT_EQ(xdotool({"search", "--name", "^Vextorium2$", "mousemove", "--window", "%1",
                           std::to_string(wx), std::to_string(wy), "click", "1"}),
                  0);
    }

    // Plays a game in the window (on the level set in `setFile`, or the built-in set when empty)
    // to a high score, sends it, and checks that it is listed proven on its own board only.
    void playToAHighScoreListedProven(const std::string& setFile);

    std::string display;
    std::string filesFolder;  // "sets/ID/" while a level set is played
};

std::string get(int port, const std::string& target) {
    httplib::Client client("127.0.0.1", port);
    client.set_connection_timeout(5);
    client.set_read_timeout(5);
    const auto result = client.Get(target);
    return result && result->status == 200 ? result->body : "";
}

// ScoreList.sav with music off, sound on and every entry "LOW" with 0 points, so that any
// score above 0 enters the table.
std::vector<uint8_t> lowScores() {
    std::vector<uint8_t> table(2 + kEntryBytes * kEntries, 0);
    table[1] = 1;
    for (size_t i = 0; i < kEntries; ++i) {
        uint8_t* entry = table.data() + 2 + kEntryBytes * i;
        entry[2] = 'L';
        entry[4] = 'O';
        entry[6] = 'W';
    }
    return table;
}

struct Entry {
    int pending;
    std::string name;  // ASCII names only
    uint32_t score;
};

Entry entryOf(const std::vector<uint8_t>& table, size_t i) {
    const uint8_t* entry = table.data() + 2 + kEntryBytes * i;
    Entry e{entry[0], "", 0};
    for (size_t u = 0; u < 9 && (entry[2 + 2 * u] | entry[3 + 2 * u]) != 0; ++u)
        e.name += static_cast<char>(entry[2 + 2 * u]);
    e.score = entry[20] | entry[21] << 8 | entry[22] << 16 | static_cast<uint32_t>(entry[23]) << 24;
    return e;
}

}  // namespace

// Return through the title and the credits, New game clicked (a game begun by the pointer is
// recorded as one begun by a key), Return on the stage, the paddle held
// left (pressed again each round, as a held key never carries into a game) so that every ball
// is lost; then "a" and the left soft key: the game over leads to the name entry, "A" is typed,
// Done, and on the table the left soft key sends the score with the game's record.
TEST_F(WindowGame, NewGameToAHighScoreIsListedProven) {
    playToAHighScoreListedProven("");
}

// The same on a level set published to the server: the game keeps its files in the set's
// folder, and the score is proven on the set's levels and listed on the set's board only.
TEST_F(WindowGame, AGameOnALevelSetIsListedProvenOnItsOwnBoardOnly) {
    playToAHighScoreListedProven(std::string(V2_BIN_DIR) + "/sets/wildfire.dat");
}

void WindowGame::playToAHighScoreListedProven(const std::string& setFile) {
    if (runProcess({"sh", "-c", "{ command -v Xvfb && command -v xdotool; } >/dev/null"}) != 0)
        GTEST_SKIP() << "Xvfb or xdotool is not installed";
    const std::string game = path("vextorium2");  // it writes its files beside itself
    fs::copy_file(V2_GAME, game);
    const std::vector<uint8_t> set =
        setFile.empty() ? std::vector<uint8_t>() : testing_support::readFile(setFile);
    const std::string setId = set.empty() ? "" : Sha256::hex(Sha256::of(set.data(), set.size()));
    if (!set.empty()) {
        filesFolder = "sets/" + setId + "/";
        fs::create_directories(path(filesFolder));
    }
    testing_support::writeFile(path(filesFolder + "ScoreList.sav"), lowScores());
    const std::string levels = set.empty() ? path("BrickMap.dat") : setFile;

    Daemon server(
        {std::string(V2_BIN_DIR) + "/scoreserver", "--listen", "127.0.0.1:0", "--db",
         path("scores.sqlite"), "--verifier", V2_REPLAY, "--levels", path("BrickMap.dat")},
        path("server.log"), Daemon::Output::PortLine);
    ASSERT_GT(server.port, 0) << "the score server did not start";
    if (!set.empty()) {
        httplib::Client client("127.0.0.1", server.port);
        const auto published = client.Post(
            "/sets?name=WILDFIRE", std::string(set.begin(), set.end()), "application/octet-stream");
        ASSERT_TRUE(published && published->status == 200) << "the set was not published";
        EXPECT_EQ(published->body, setId + "\n");
    }
    VirtualScreen screen(path("xvfb.log"));
    ASSERT_FALSE(screen.display.empty()) << "Xvfb did not start";
    display = screen.display;
    // What the D-Bus library that SDL loads on X keeps until exit is not the game's leak (a
    // sanitizer build counts leaks).
    std::ofstream(path("leaks.supp")) << "leak:libdbus-1.so\n";
    std::vector<std::string> command = {
        "env",
        "DISPLAY=" + display,
        "SDL_VIDEODRIVER=x11",
        "SDL_AUDIODRIVER=dummy",
        "VEXTORIUM2_SCORE_HOST=127.0.0.1:" + std::to_string(server.port),
        "LSAN_OPTIONS=suppressions=" + path("leaks.supp"),
        game,
        "--windowed"};
    if (!set.empty()) command.insert(command.end(), {"--levels", setFile});
    Daemon window(command, path("game.log"), Daemon::Output::ToLog);
    ASSERT_EQ(xdotool({"search", "--sync", "--name", "^Vextorium2$", "windowfocus", "--sync"}), 0)
        << "no window";

    // Return through the title and the credits; New game is clicked.
    for (int i = 0; i < 2; ++i) {
        ASSERT_EQ(xdotool({"key", "Return"}), 0);
        std::this_thread::sleep_for(milliseconds(1000));
    }
    clickFramePoint(88, 40);
    std::this_thread::sleep_for(milliseconds(1000));

    int rounds = 0;
    for (; rounds < kPlayRounds && !gameEnded(); ++rounds) {
        xdotool({"key", "Return", "keyup", "Left", "keydown", "Left"});
        std::this_thread::sleep_for(milliseconds(250));
    }
    xdotool({"keyup", "Left"});
    ASSERT_TRUE(gameEnded()) << "no game over after " << rounds << " rounds";

    std::string json = "[]";
    for (int i = 0; i < kSendRounds && json == "[]"; ++i) {
        xdotool({"key", "a", "F1"});
        for (int wait = 0; wait < 15 && json == "[]"; ++wait) {
            std::this_thread::sleep_for(milliseconds(100));
            const std::string now =
                get(server.port, set.empty() ? "/scores.json" : "/scores.json?set=" + setId);
            if (!now.empty()) json = now;
        }
    }
    EXPECT_EQ(window.stop(), 0) << "the game ends cleanly on SIGTERM";

    // The game stored the score it showed, no longer pending, above the seeded entries.
    const std::vector<uint8_t> table = file("ScoreList.sav");
    ASSERT_EQ(table.size(), 2 + kEntryBytes * kEntries);
    const Entry entered = entryOf(table, 0);
    EXPECT_EQ(entered.name, "A");
    EXPECT_EQ(entered.pending, 0) << "the server's answer was taken";
    ASSERT_GT(entered.score, 0u);
    EXPECT_EQ(entryOf(table, 1).name, "LOW");
    EXPECT_TRUE(file("ScoreProofs.dat").empty()) << "no proof left pending";

    // The record proves that score on its own, and the server lists it as proven with the
    // record's SHA-256 as its replay.
    const std::vector<uint8_t> record = file("GameRecord.dat");
    const std::string replay = Sha256::hex(Sha256::of(record.data(), record.size()));
    const std::string score = std::to_string(entered.score);
    EXPECT_EQ(json, "[{\"rank\":1,\"name\":\"A\",\"score\":" + score +
                        ",\"proven\":true,\"replay\":\"/replays/" + replay +
                        "\",\"sessions\":1,\"pace\":100}]");
    EXPECT_EQ(
        runProcess({"sh", "-c",
                    std::string(V2_REPLAY) + " --verify '" + path(filesFolder + "GameRecord.dat") +
                        "' --levels '" + levels + "' > '" + path("verdict.txt") + "'"}),
        0);
    std::ifstream verdict(path("verdict.txt"));
    std::stringstream line;
    line << verdict.rdbuf();
    EXPECT_TRUE(line.str().starts_with("proven " + score + " ")) << line.str();
    if (!set.empty()) {
        EXPECT_EQ(get(server.port, "/scores.json"), "[]") << "the built-in board holds none of it";
        EXPECT_FALSE(fs::exists(path("ScoreList.sav"))) << "the built-in set's table is untouched";
    }

    // The figures of this game.
    const RecordCodec::Result read = RecordCodec::decode(record.data(), record.size());
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    ASSERT_EQ(read.record->sessions.size(), 1u);
    uint64_t ticks = 0, keys = 0;
    for (const RecordStep& step : read.record->sessions[0].steps) {
        if (step.kind == RecordStep::TickDraw || step.kind == RecordStep::Tick) ticks += step.value;
        keys += step.kind == RecordStep::Press;
    }
    std::cout << "window game: record " << record.size() << " bytes, " << ticks << " ticks, "
              << keys << " key presses, score " << score << ", " << rounds << " key rounds\n";
}
