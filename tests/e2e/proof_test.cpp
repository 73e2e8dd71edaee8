// Proven games: records made by the runner's games verify, play back to the same trace, and
// refuse every change; a game continued over three sessions is one record; a game is named by
// what was played, so a copy with other bytes is the same game, and padding is refused.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/window.h"
#include "record/record_codec.h"
#include "record/rules_version.h"
#include "record/sha256.h"
#include "tests/e2e/e2e_fixture.h"
#include "tests/support/wav_builder.h"

namespace {
namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

const char* const kNewGame = "100 press action\n800 press action\n1500 press action\n";
const char* const kContinue =
    "100 press action\n800 press action\n1500 press down\n"
    "2100 press action\n";

struct Verdict {
    int status = -1;
    std::string line;
};

class ProvenGame : public EndToEnd {
  protected:
    // The runner with `args`, its standard output's one line.
    Verdict run(const std::vector<std::string>& args) {
        std::string command = V2_REPLAY;
        for (const auto& a : args) command += " '" + a + "'";
        const int status = runProcess({"sh", "-c", command + " > '" + path("out.txt") + "'"});
        std::ifstream in(path("out.txt"));
        std::stringstream text;
        text << in.rdbuf();
        return {status, text.str()};
    }
    Verdict verify(const std::vector<uint8_t>& record, std::vector<std::string> more = {}) {
        testing_support::writeFile(path("check.rec"), record);
        std::vector<std::string> args = {"--verify", path("check.rec"), "--levels",
                                         path("BrickMap.dat")};
        args.insert(args.end(), more.begin(), more.end());
        return run(args);
    }
    std::vector<uint8_t> record() const {
        return testing_support::readFile(path("GameRecord.dat"));
    }
    // The record verifies with the final score its game's trace shows; answers the game's key.
    std::string expectProven(const std::vector<uint8_t>& bytes,
                             const std::vector<std::string>& trace);
};

std::string keyOf(const std::vector<uint8_t>& bytes) {
    return Sha256::hex(Sha256::of(bytes.data(), bytes.size()));
}

// "proven SCORE KEY": the key, or nothing for another verdict.
std::string provenKey(const std::string& line) {
    const size_t space = line.rfind(' ');
    if (!line.starts_with("proven ") || space == std::string::npos) return {};
    std::string key = line.substr(space + 1);
    if (!key.empty() && key.back() == '\n') key.pop_back();
    return key;
}

// The last score the trace wrote: the game's final score.
int finalScore(const Lines& trace) {
    int score = 0;
    for (const auto& line : trace) {
        const std::string what = line.substr(line.find(' ') + 1);
        if (what.starts_with("score ")) score = std::stoi(what.substr(6));
    }
    return score;
}

// The trace's events without their times, from the game's first level (the first state the
// game writes once it has begun) up to the game's end screen.
Lines gamePart(const Lines& trace) {
    Lines out;
    bool begun = false;
    for (const auto& line : trace) {
        const std::string what = line.substr(line.find(' ') + 1);
        if (what == "state GAME_OVER" || what == "state VICTORY") break;
        begun = begun || what.starts_with("level ");
        if (begun) out.push_back(what);
    }
    return out;
}

int gameOvers(const Lines& trace) {
    int count = 0;
    for (const auto& line : trace) count += line.ends_with(" state GAME_OVER");
    return count;
}

Lines readLines(const std::string& file) {
    Lines lines;
    std::ifstream in(file);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
}  // namespace

std::string ProvenGame::expectProven(const std::vector<uint8_t>& bytes, const Lines& trace) {
    const Verdict v = verify(bytes);
    EXPECT_EQ(v.status, 0);
    const std::string key = provenKey(v.line);
    EXPECT_EQ(v.line, "proven " + std::to_string(finalScore(trace)) + " " + key + "\n");
    EXPECT_EQ(key.size(), 64u);
    // Named by what was played, not by the record's bytes.
    EXPECT_NE(key, keyOf(bytes));
    return key;
}

// The built-in player's three levels, and a scripted game with the pointer, a lost window (which
// pauses play until the pause key) and held keys: each record verifies with the score the game
// reached, plays back to the same trace, and any change to it is refused.
TEST_F(ProvenGame, RecordedGamesVerifyAndPlayBack) {
    ASSERT_EQ(replay(kNewGame, {"--autoplay", "--seed", "2", "--until", "2000000"}), 0);
    const Lines autoplayTrace = trace();
    ASSERT_EQ(autoplayTrace.back().substr(autoplayTrace.back().find(' ') + 1), "state VICTORY");
    const std::vector<uint8_t> won = record();
    const std::string wonKey = expectProven(won, autoplayTrace);
    Verdict v = run(
        {"--proof", path("GameRecord.dat"), "--dir", dir.string(), "--trace", path("proof.txt")});
    EXPECT_EQ(v.status, 0) << v.line;
    EXPECT_EQ(gamePart(readLines(path("proof.txt"))), gamePart(autoplayTrace));

    // Clicks every 997 ms from 11 s until `end` relaunch the ball after each loss.
    auto scripted = [](int end) {
        std::string script = kNewGame;
        script +=
            "2200 press action\n3000 pointer 150 100\n3100 click\n5000 activate 0\n"
            "6000 activate 1\n7000 press lsoft\n8003 down left\n"
            "9001 up left\n10000 pointer 20 100\n";
        for (int t = 11000; t < end; t += 997) script += std::to_string(t) + " click\n";
        return script;
    };
    ASSERT_EQ(replay(scripted(600000), {"--seed", "9", "--until", "600000"}), 0);
    const Lines scriptedTrace = trace();
    int overAt = -1;
    for (const auto& line : scriptedTrace)
        if (overAt < 0 && line.ends_with(" state GAME_OVER")) overAt = std::stoi(line);
    ASSERT_GT(overAt, 0);
    const std::vector<uint8_t> lost = record();
    // The same game again, its score then entered under a name, and a second game in the same
    // run: the table keeps the first record as the pending score's proof, and the second game,
    // played after everything the first left behind, verifies on its own.
    std::string named = scripted(overAt);
    for (int t : {100, 1000}) named += std::to_string(overAt + t) + " press action\n";
    named += std::to_string(overAt + 1100) + " press lsoft\n";
    for (int t : {1900, 2700, 3500}) named += std::to_string(overAt + t) + " press action\n";
    for (int t = overAt + 4000; t < overAt + 20000; t += 997)
        named += std::to_string(t) + " click\n";
    ASSERT_EQ(replay(named, {"--seed", "9", "--until", std::to_string(overAt + 40000)}), 0);
    const std::vector<uint8_t> proofs = testing_support::readFile(path("ScoreProofs.dat"));
    ASSERT_GE(proofs.size(), 30u + lost.size());
    EXPECT_EQ(std::vector<uint8_t>(proofs.end() - static_cast<long>(lost.size()), proofs.end()),
              lost);
    const Lines twoGames = trace();
    ASSERT_EQ(gameOvers(twoGames), 2);
    expectProven(record(), twoGames);
    EXPECT_NE(expectProven(lost, scriptedTrace), wonKey);  // written to check.rec
    v = run({"--proof", path("check.rec"), "--dir", dir.string(), "--trace", path("proof.txt")});
    EXPECT_EQ(gamePart(readLines(path("proof.txt"))), gamePart(scriptedTrace));

    // One byte flipped in the random state, in the steps' middle or at their end; the record
    // cut short; another level file; a step limit below the game's length.
    for (size_t at : {size_t{40}, lost.size() / 2, lost.size() - 2}) {
        std::vector<uint8_t> flipped = lost;
        flipped[at] ^= 0x04;
        v = verify(flipped);
        EXPECT_EQ(v.status, 3) << at;
        EXPECT_TRUE(v.line.starts_with("refused ")) << at << ": " << v.line;
    }
    v = verify(std::vector<uint8_t>(lost.begin(), lost.end() - 1));
    EXPECT_EQ(v.line, "refused the record is cut short\n");
    std::vector<uint8_t> levels = testing_support::readFile(path("BrickMap.dat"));
    levels[100] ^= 1;
    testing_support::writeFile(path("other.dat"), levels);
    v = verify(lost, {"--levels", path("other.dat")});
    EXPECT_EQ(v.line, "refused the record was made on another level file\n");
    EXPECT_EQ(v.status, 3);
    v = verify(lost, {"--max-steps", "1000"});
    EXPECT_EQ(v.line, "refused the record is over the step limit\n");
}

// A game quit twice and continued twice is one record of three sessions, each cut where the
// saved game was written; it verifies with the last session's final score. Swapped sessions
// are refused, and a game continued without its record goes on all the same, unprovable.
TEST_F(ProvenGame, ContinuedGameOverThreeSessions) {
    ASSERT_EQ(replay(kNewGame, {"--autoplay", "--seed", "2", "--until", "150000"}), 0);
    ASSERT_EQ(replay(kContinue, {"--autoplay", "--seed", "3", "--until", "400000"}), 0);
    const std::vector<uint8_t> save = testing_support::readFile(path("AutoSave.dat"));
    const RecordCodec::Result two = RecordCodec::decode(record().data(), record().size());
    ASSERT_TRUE(two.record.has_value()) << two.reason;
    ASSERT_EQ(two.record->sessions.size(), 2u);
    const GameValues cut = *two.record->sessions[1].cut;
    EXPECT_EQ(save, (std::vector<uint8_t>{static_cast<uint8_t>(cut.level), 0, 0, 0,
                                          static_cast<uint8_t>(cut.lives), 0, 0, 0,
                                          static_cast<uint8_t>(cut.score & 0xFF),
                                          static_cast<uint8_t>(cut.score >> 8), 0, 0}));
    const fs::path withoutRecord = dir.string() + "-without";
    fs::remove_all(withoutRecord);
    fs::copy(dir, withoutRecord);

    ASSERT_EQ(replay(kContinue, {"--autoplay", "--seed", "4", "--until", "3000000"}), 0);
    const Lines last = trace();
    ASSERT_EQ(last.back().substr(last.back().find(' ') + 1), "state VICTORY");
    const std::vector<uint8_t> whole = record();
    expectProven(whole, last);

    RecordCodec::Result read = RecordCodec::decode(whole.data(), whole.size());
    ASSERT_TRUE(read.record.has_value());
    ASSERT_EQ(read.record->sessions.size(), 3u);
    std::swap(read.record->sessions[0], read.record->sessions[1]);
    Verdict v = verify(RecordCodec::encode(*read.record));
    EXPECT_EQ(v.line, "refused the sessions do not join\n");

    // The same third session with the record gone: the same game, and nothing to prove it.
    fs::remove(withoutRecord / "GameRecord.dat");
    fs::remove_all(dir);
    fs::rename(withoutRecord, dir);
    ASSERT_EQ(replay(kContinue, {"--autoplay", "--seed", "4", "--until", "3000000"}), 0);
    EXPECT_EQ(trace(), last);
    EXPECT_TRUE(record().empty());
}

// A game begun and played with the pointer alone (a click on New game, clicks to launch) is
// recorded and proven. Its copies with other bytes play the same game and have its key: a sound
// switch flipped, a press of a key that moves nothing with its release. Draws that take no
// random numbers, which the recorder never keeps, are refused before anything else is played.
TEST_F(ProvenGame, AClickStartedGameIsProvenAndItsCopiesAreOneGame) {
    std::string script =
        "100 press action\n800 press action\n1500 pointer 88 40\n1510 click\n"
        "2400 click\n3000 pointer 20 100\n";
    for (int t = 4000; t < 300000; t += 997) script += std::to_string(t) + " click\n";
    ASSERT_EQ(replay(script, {"--seed", "9", "--until", "300000"}), 0);
    const Lines played = trace();
    ASSERT_EQ(gameOvers(played), 1);
    const std::vector<uint8_t> original = record();
    const std::string key = expectProven(original, played);
    RecordCodec::Result read = RecordCodec::decode(original.data(), original.size());
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    ASSERT_EQ(read.record->sessions.size(), 1u);

    GameRecord switched = *read.record;
    switched.sessions[0].flags ^= RecordSession::kMusicOn | RecordSession::kSoundOn;
    GameRecord pressed = *read.record;
    std::vector<RecordStep>& steps = pressed.sessions[0].steps;
    const auto release = std::find(steps.begin(), steps.end(), RecordStep{RecordStep::Release, 0});
    ASSERT_NE(release, steps.end());
    const uint32_t up = static_cast<uint32_t>(keyIndex(platform::kKeyUp));
    steps.insert(release + 1, {{RecordStep::Press, up}, {RecordStep::Release, 0}});
    for (const GameRecord& copy : {switched, pressed}) {
        const std::vector<uint8_t> bytes = RecordCodec::encode(copy);
        ASSERT_NE(bytes, original);
        const Verdict v = verify(bytes);
        EXPECT_EQ(v.line, "proven " + std::to_string(finalScore(played)) + " " + key + "\n");
    }

    GameRecord padded = *read.record;
    padded.sessions[0].steps.insert(padded.sessions[0].steps.begin(),
                                    RecordStep{RecordStep::Draw, 1990000});
    const Verdict v = verify(RecordCodec::encode(padded));
    EXPECT_EQ(v.line, "refused a draw of the record takes no random numbers\n");
    EXPECT_EQ(v.status, 3);
}

// The stored three-level game paused in play with the pause key for a night of ticks (ten hours
// at 11 ms a tick), then resumed: the same game, proven within the default step limit, the
// paused ticks costing nothing. Lone ticks in play are charged: a limit that leaves fewer than
// the game plays refuses it.
TEST_F(ProvenGame, AGamePausedForANightIsTheSameGame) {
    const std::vector<uint8_t> stored =
        testing_support::readFile(std::string(V2_RECORDS_DIR) + "/" +
                                  std::to_string(kRulesVersion) + "/autoplay-three-levels.rec");
    const Verdict original = verify(stored);
    ASSERT_EQ(original.status, 0) << original.line;
    RecordCodec::Result read = RecordCodec::decode(stored.data(), stored.size());
    ASSERT_TRUE(read.record.has_value());
    std::vector<RecordStep>& steps = read.record->sessions[0].steps;
    // A key the built-in player let go of halfway through: play is under way there, and the
    // paddle stands.
    auto release = std::find(steps.begin() + static_cast<long>(steps.size() / 2), steps.end(),
                             RecordStep{RecordStep::Release, 0});
    ASSERT_NE(release, steps.end());
    const uint32_t pause = static_cast<uint32_t>(keyIndex(platform::kKeyLeftSoft));
    steps.insert(release + 1, {{RecordStep::Press, pause},
                               {RecordStep::Release, 0},
                               {RecordStep::Tick, 10 * 3600 * 1000 / 11},
                               {RecordStep::Press, pause},
                               {RecordStep::Release, 0}});
    const std::vector<uint8_t> paused = RecordCodec::encode(*read.record);
    EXPECT_EQ(verify(paused).line, original.line);

    const uint64_t fixed = stored.size() + stepCount(read.record->sessions[0]);
    EXPECT_EQ(verify(stored, {"--max-steps", std::to_string(fixed + 10)}).line,
              "refused the record is over the step limit\n");
}

// A player at half pace who presses the same keys at the same ticks (so twice as late on the
// clock) plays the same game: the same trace, each line at twice its full-pace time, so twice
// the time per tick; the same steps in the record, which says its pace, and the same game's key,
// which does not. Played back for people, it takes its ticks at its own pace.
TEST_F(ProvenGame, AGameAtHalfPaceIsTheSameGameTwiceAsLongPerTick) {
    // Each key held a millisecond (a press's own release would not move with the clock).
    std::string script, doubled;
    const auto line = [&script, &doubled](int t, const char* what, const char* name) {
        for (auto [to, at] : {std::pair{&script, t}, std::pair{&doubled, 2 * t}})
            *to += std::to_string(at) + " " + what + " " + name + "\n";
    };
    const auto press = [&line](int t, const char* name) {
        line(t, "down", name);
        line(t + 1, "up", name);
    };
    for (int t : {100, 800, 1500, 2200}) press(t, "action");
    line(4003, "down", "left");
    line(4501, "up", "left");
    line(6000, "down", "right");
    line(6400, "up", "right");
    for (int t = 8000; t < 200000; t += 997) press(t, "action");
    const auto times = [](const Lines& trace) {
        std::vector<long> out;
        for (const auto& line : trace) out.push_back(std::stol(line));
        return out;
    };
    const auto events = [](const Lines& trace) {
        Lines out;
        for (const auto& line : trace) out.push_back(line.substr(line.find(' ') + 1));
        return out;
    };

    ASSERT_EQ(replay(script, {"--seed", "5", "--until", "200000"}), 0);
    const Lines full = trace();
    ASSERT_EQ(gameOvers(full), 1);
    const std::vector<uint8_t> fullRecord = record();
    const std::string key = expectProven(fullRecord, full);
    ASSERT_EQ(run({"--proof", path("GameRecord.dat"), "--dir", dir.string(), "--trace",
                   path("proof.txt")})
                  .status,
              0);
    const Lines fullProof = readLines(path("proof.txt"));

    // The second player starts as the first did: no saved game, no table.
    for (const char* file : {"AutoSave.dat", "GameRecord.dat", "ScoreList.sav", "ScoreProofs.dat"})
        fs::remove(path(file));
    ASSERT_EQ(replay(doubled, {"--seed", "5", "--until", "400000", "--pace", "50"}), 0);
    const Lines half = trace();
    EXPECT_EQ(events(half), events(full));
    std::vector<long> twice = times(full);
    for (long& t : twice) t *= 2;
    EXPECT_EQ(times(half), twice);

    const std::vector<uint8_t> halfRecord = record();
    const Verdict v = verify(halfRecord);
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.line, "proven " + std::to_string(finalScore(full)) + " " + key + " pace 50\n");
    RecordCodec::Result read = RecordCodec::decode(halfRecord.data(), halfRecord.size());
    ASSERT_TRUE(read.record.has_value()) << read.reason;
    ASSERT_EQ(read.record->sessions.size(), 1u);
    EXPECT_EQ(read.record->sessions[0].pace, 50u);
    read.record->sessions[0].pace = 100;
    EXPECT_EQ(RecordCodec::encode(*read.record), fullRecord);

    ASSERT_EQ(run({"--proof", path("GameRecord.dat"), "--dir", dir.string(), "--trace",
                   path("proof.txt")})
                  .status,
              0);
    const Lines halfProof = readLines(path("proof.txt"));
    EXPECT_EQ(events(halfProof), events(fullProof));
    twice = times(fullProof);
    for (long& t : twice) t *= 2;
    EXPECT_EQ(times(halfProof), twice);

    // Any other pace is refused, in plain words.
    EXPECT_EQ(replay("", {"--pace", "60"}), 2);
}
