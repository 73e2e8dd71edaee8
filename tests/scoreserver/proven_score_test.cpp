// Proven scores end to end on loopback: the real replay runner makes a game's record and the
// server plays it again before it lists the score; forged, altered and reused proofs are not
// listed, and a full verifier queue never stops the list from being answered.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <condition_variable>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>

#include "in_process_server.h"
#include "made_game.h"
#include "record/record_codec.h"
#include "record/rules_version.h"
#include "record/sha256.h"
#include "server/proof_verifier.h"

namespace {

constexpr const char* kScript = "/Vextorium2/updateScore.php";
constexpr const char* kProof = "/Vextorium2/proof";

ServerLimits proofLimits() {
    ServerLimits limits = withoutUploadRate();
    limits.proofs.verifier = REPLAY_PATH;
    limits.proofs.levels = BRICKMAP_PATH;
    limits.proofs.verifiers = 1;
    return limits;
}

std::string upload(const InProcessServer& server, const std::string& query, int& status) {
    auto client = server.client();
    const auto result = client.Get(std::string(kScript) + "?" + query);
    status = result ? result->status : -1;
    return result ? result->body : "";
}

std::string get(const InProcessServer& server, const std::string& path) {
    auto client = server.client();
    const auto result = client.Get(path);
    return result && result->status == 200
               ? result->body
               : "<" + std::to_string(result ? result->status : -1) + ">";
}

std::string post(const InProcessServer& server, const std::string& body, int& status,
                 const std::string& from = {}) {
    auto client = server.client();
    httplib::Headers headers;
    if (!from.empty()) headers.emplace("X-Forwarded-For", from);
    const auto result = client.Post(kProof, headers, body, "application/octet-stream");
    status = result ? result->status : -1;
    return result ? result->body : "";
}

std::string uploadFrom(const InProcessServer& server, const std::string& query,
                       const std::string& from, int& status) {
    auto client = server.client();
    const auto result = client.Get(std::string(kScript) + "?" + query, {{"X-Forwarded-For", from}});
    status = result ? result->status : -1;
    return result ? result->body : "";
}

std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// A stand-in for the replay runner that notes each record it is given (its bytes, a line
// each), waits until the file "go" is in `dir`, and then gives `verdict` with `status`.
std::string fakeVerifier(const std::string& dir, const std::string& verdict, int status) {
    const std::string path = dir + "verify";
    std::ofstream(path) << "#!/bin/sh\ncat \"$2\" >> " << dir << "log\necho >> " << dir
                        << "log\nwhile [ ! -e " << dir << "go ]; do sleep 0.01; done\necho '"
                        << verdict << "'\nexit " << status << "\n";
    ::chmod(path.c_str(), 0755);
    return path;
}

void waitForText(const std::string& path, const std::string& text) {
    for (int i = 0; i < 5000 && readText(path).find(text) == std::string::npos; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

}  // namespace

// A plain upload is stored but listed only by a server that accepts unproven scores, and
// there marked as such.
TEST(ProvenScoreTest, PlainUploadIsListedOnlyWithAcceptUnprovenAndMarked) {
    InProcessServer strict(proofLimits(), nullptr, {}, true);
    int status = 0;
    upload(strict, "myname=FORGER&myscore=4294967295", status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(get(strict, kScript), "");
    EXPECT_EQ(get(strict, "/scores.json"), "[]");
    strict.store.listUnproven(true);  // stored all the same
    EXPECT_EQ(strict.store.best(10), (std::vector<ScoreRecord>{{"FORGER", 4294967295u}}));

    InProcessServer open(proofLimits());
    upload(open, "myname=FORGER&myscore=4294967295", status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(get(open, kScript), ";FORGER,4294967295");
    EXPECT_NE(get(open, "/scores.json").find("\"proven\":false"), std::string::npos);
    EXPECT_NE(get(open, "/scores").find("unproven"), std::string::npos);
}

// A real record is proven with its true score only; it is accepted once, a retry of the same
// upload is answered as before, and a proof that cannot be checked yet asks to be sent again.
TEST(ProvenScoreTest, RealRecordIsProvenOnceWithItsTrueScore) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    ASSERT_GT(game.score, 0u);
    InProcessServer server(proofLimits(), nullptr, {}, true);
    const std::string score = std::to_string(game.score);

    int status = 0;
    EXPECT_EQ(
        upload(server, "myname=EARLY&myscore=" + score + "&myproof=" + std::string(64, 'a'), status)
            .empty(),
        false);
    EXPECT_EQ(status, 503) << "a proof that never arrived is asked for again";

    const std::string id = post(server, game.record, status);
    EXPECT_EQ(status, 200);
    const std::string expected = Sha256::hex(
        Sha256::of(reinterpret_cast<const uint8_t*>(game.record.data()), game.record.size()));
    ASSERT_EQ(id, expected + "\n");
    const std::string proof = "&myproof=" + expected;

    EXPECT_EQ(
        upload(server, "myname=ACE&myscore=" + std::to_string(game.score + 1) + "&myid=a" + proof,
               status),
        "refused: score differs\n");
    EXPECT_EQ(status, 422);
    EXPECT_EQ(get(server, kScript), "");

    // The id of an earlier plain upload is taken, as by any other reuse.
    upload(server, "myname=ACE&myscore=" + score + "&myid=p", status);
    EXPECT_EQ(status, 200);
    upload(server, "myname=ACE&myscore=" + score + "&myid=p" + proof, status);
    EXPECT_EQ(status, 409);

    upload(server, "myname=ACE&myscore=" + score + "&myid=b" + proof, status);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(get(server, kScript), ";ACE," + score);
    upload(server, "myname=ACE&myscore=" + score + "&myid=b" + proof, status);
    EXPECT_EQ(status, 200) << "a retry is answered as before";
    upload(server, "myname=THIEF&myscore=" + score + "&myid=c" + proof, status);
    EXPECT_EQ(status, 422) << "the same game under another name";
    upload(server, "myname=THIEF&myscore=" + score + proof, status);
    EXPECT_EQ(status, 422) << "the same game without an id";
    EXPECT_EQ(get(server, kScript), ";ACE," + score);

    // A copy with other bytes, as anyone can make from the public record: the music switch of
    // its first session flipped (the flags byte after the header, the 32-byte level digest and
    // the session's start) and its check bytes made anew. The same game: a reuse, not listed.
    std::string copy = game.record.substr(0, game.record.size() - 8);
    copy[4 + 1 + 1 + 32 + 1 + 4 + 3] ^= 8;
    const Sha256::Digest check =
        Sha256::of(reinterpret_cast<const uint8_t*>(copy.data()), copy.size());
    copy.append(reinterpret_cast<const char*>(check.data()), 8);
    const std::string copyId = post(server, copy, status);
    ASSERT_EQ(status, 200);
    ASSERT_NE(copyId, id);
    EXPECT_EQ(
        upload(server, "myname=COPY&myscore=" + score + "&myid=e&myproof=" + copyId.substr(0, 64),
               status),
        "refused: this game was proven before for another upload\n");
    EXPECT_EQ(status, 422);
    EXPECT_EQ(get(server, kScript), ";ACE," + score);

    // The listed game can be watched: the page links the watch page, which fetches the record,
    // served as it came.
    EXPECT_NE(get(server, "/scores").find("href=\"/watch.html?game=" + expected + "\""),
              std::string::npos);
    EXPECT_EQ(get(server, "/replays/" + expected), game.record);
    EXPECT_EQ(get(server, "/replays/" + std::string(64, '0')), "<404>");

    // Cut short: refused with the verifier's reason, nothing listed.
    const std::string cut = game.record.substr(0, game.record.size() / 2);
    const std::string cutId = post(server, cut, status);
    ASSERT_EQ(status, 200);
    EXPECT_EQ(
        upload(server, "myname=CUT&myscore=" + score + "&myid=d&myproof=" + cutId.substr(0, 64),
               status),
        "refused: the record is cut short\n");
    EXPECT_EQ(status, 422);
    EXPECT_EQ(get(server, kScript), ";ACE," + score);
}

// A game recorded by a build with other rules (the rules version raised, the check made anew)
// cannot be judged by these rules: its score is stored, not refused, so no player loses it to
// an update; a proven-only server does not list it, one with --accept-unproven lists it marked.
TEST(ProvenScoreTest, RecordOfOtherRulesIsStoredUnprovenNotRefused) {
    const MadeGame& game = autoplayGame();
    ASSERT_GT(game.record.size(), 14u);
    // "V2GR", the format byte, then the rules version as a one-byte varint; the last 8 bytes
    // are the start of the SHA-256 of every byte before them.
    std::string other = game.record;
    ASSERT_EQ(other[5], '\x01');
    other[5] = '\x02';
    const size_t body = other.size() - 8;
    const auto check = Sha256::of(reinterpret_cast<const uint8_t*>(other.data()), body);
    other.replace(body, 8, reinterpret_cast<const char*>(check.data()), 8);
    const std::string score = std::to_string(game.score);

    for (const bool provenOnly : {true, false}) {
        InProcessServer server(proofLimits(), nullptr, {}, provenOnly);
        int status = 0;
        const std::string id = post(server, other, status).substr(0, 64);
        ASSERT_EQ(status, 200);
        // Answered as any stored score, with no reason to give up on it.
        EXPECT_EQ(upload(server, "myname=OLDER&myscore=" + score + "&myid=o&myproof=" + id, status),
                  "recorded\n");
        EXPECT_EQ(status, 200) << provenOnly;
        const std::string json = get(server, "/scores.json");
        if (provenOnly) {
            EXPECT_EQ(get(server, kScript), "");
            EXPECT_EQ(json, "[]");
            server.store.listUnproven(true);
            EXPECT_EQ(server.store.best(10), (std::vector<ScoreRecord>{{"OLDER", game.score}}));
        } else {
            EXPECT_EQ(get(server, kScript), ";OLDER," + score);
            EXPECT_NE(json.find("\"name\":\"OLDER\""), std::string::npos) << json;
            EXPECT_NE(json.find("\"proven\":false"), std::string::npos) << json;
            EXPECT_EQ(json.find("\"proven\":true"), std::string::npos) << json;
        }
    }
}

// A saved game continued later keeps its score and finds its level whole again, so the board
// says in how many sittings each proven game was played, and lists the games of one sitting on
// their own; the list reply the game reads keeps its form.
TEST(ProvenScoreTest, TheBoardSaysInHowManySittingsEachGameWasPlayed) {
    const MadeGame& once = autoplayGame();
    const MadeGame& twice = continuedGame();
    ASSERT_GT(once.score, 0u);
    ASSERT_GT(twice.score, 0u);
    ASSERT_NE(once.score, twice.score);
    InProcessServer server(proofLimits());
    int status = 0;
    const auto prove = [&](const std::string& name, const MadeGame& game) {
        const std::string id = post(server, game.record, status).substr(0, 64);
        ASSERT_EQ(status, 200);
        upload(server,
               "myname=" + name + "&myscore=" + std::to_string(game.score) + "&myid=" + name +
                   "&myproof=" + id,
               status);
        EXPECT_EQ(status, 200) << name;
    };
    prove("ONCE", once);
    prove("TWICE", twice);
    upload(server, "myname=PLAIN&myscore=1", status);  // listed unproven: no sittings known
    ASSERT_EQ(status, 200);

    const bool twiceFirst = twice.score > once.score;
    const std::string onceRow = "\"name\":\"ONCE\",\"score\":" + std::to_string(once.score);
    const std::string twiceRow = "\"name\":\"TWICE\",\"score\":" + std::to_string(twice.score);
    const std::string json = get(server, "/scores.json");
    EXPECT_NE(json.find(onceRow), std::string::npos) << json;
    EXPECT_NE(json.find(twiceRow), std::string::npos) << json;
    const auto rowOf = [&json](const std::string& row) {
        const size_t at = json.find(row);
        return at == std::string::npos ? std::string() : json.substr(at, json.find('}', at) - at);
    };
    EXPECT_NE(rowOf(onceRow).find("\"sessions\":1"), std::string::npos) << json;
    EXPECT_NE(rowOf(twiceRow).find("\"sessions\":2"), std::string::npos) << json;
    EXPECT_EQ(rowOf("\"name\":\"PLAIN\"").find("sessions"), std::string::npos) << json;

    const std::string oneSitting = get(server, "/scores.json?sessions=1");
    EXPECT_NE(oneSitting.find(onceRow), std::string::npos) << oneSitting;
    EXPECT_EQ(oneSitting.find("TWICE"), std::string::npos) << oneSitting;
    EXPECT_EQ(oneSitting.find("PLAIN"), std::string::npos) << oneSitting;
    EXPECT_EQ(oneSitting.rfind("[{\"rank\":1,", 0), 0u) << oneSitting;

    const std::string page = get(server, "/scores");
    EXPECT_NE(page.find("<td class=\"sittings\">2</td>"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"sittings\">1</td>"), std::string::npos);
    const std::string onePage = get(server, "/scores?sessions=1");
    EXPECT_NE(onePage.find("ONCE"), std::string::npos);
    EXPECT_EQ(onePage.find("TWICE"), std::string::npos);

    const std::string s1 = std::to_string(once.score), s2 = std::to_string(twice.score);
    EXPECT_EQ(get(server, kScript),
              (twiceFirst ? ";TWICE," + s2 + ";ONCE," + s1 : ";ONCE," + s1 + ";TWICE," + s2) +
                  ";PLAIN,1");
}

// A short game made by the runner at `pace` percent: the ball launched again after each loss
// until the game is over, just before `untilMs`.
MadeGame pacedGame(unsigned seed, int pace, int untilMs) {
    const std::string dir = makeTempDirectory("paced_game");
    std::filesystem::copy_file(BRICKMAP_PATH, dir + "BrickMap.dat");
    std::string script = "100 press action\\n800 press action\\n1500 press action\\n";
    for (int t = 2200; t < untilMs - 1000; t += 997)
        script += std::to_string(t) + " press action\\n";
    const std::string command = "printf '" + script + "' | " + std::string(REPLAY_PATH) +
                                " --dir " + dir + " --script - --seed " + std::to_string(seed) +
                                " --until " + std::to_string(untilMs) + " --pace " +
                                std::to_string(pace) + " --trace " + dir + "trace.txt";
    return std::system(command.c_str()) == 0 ? gameIn(dir) : MadeGame{};
}

// A game played at half pace is proven and stored with its pace: the default boards and the
// list reply leave it out, ?pace=any lists it marked 50 beside the full-pace games (marked 100,
// a plain row too). The same game played at full pace is the same game, accepted once.
TEST(ProvenScoreTest, AGameAtHalfPaceIsListedOnlyAtAnyPace) {
    const MadeGame half = pacedGame(6, 50, 26000);
    const MadeGame full = pacedGame(8, 100, 13000);
    const MadeGame sameAtFull = pacedGame(6, 100, 13000);
    ASSERT_GT(half.score, 0u);
    ASSERT_GT(full.score, 0u);
    ASSERT_EQ(sameAtFull.score, half.score);
    InProcessServer server(proofLimits());
    int status = 0;
    const auto prove = [&](const std::string& name, const MadeGame& game) {
        const std::string id = post(server, game.record, status).substr(0, 64);
        EXPECT_EQ(status, 200);
        return upload(server,
                      "myname=" + name + "&myscore=" + std::to_string(game.score) +
                          "&myid=" + name + "&myproof=" + id,
                      status);
    };
    prove("HALF", half);
    EXPECT_EQ(status, 200);
    prove("FULL", full);
    EXPECT_EQ(status, 200);
    EXPECT_EQ(prove("AGAIN", sameAtFull),
              "refused: this game was proven before for another upload\n");
    upload(server, "myname=PLAIN&myscore=1", status);
    ASSERT_EQ(status, 200);

    for (const char* board : {"/scores.json", "/scores.json?sessions=1", "/scores", kScript}) {
        const std::string listed = get(server, board);
        EXPECT_NE(listed.find("FULL"), std::string::npos) << board << ": " << listed;
        EXPECT_EQ(listed.find("HALF"), std::string::npos) << board << ": " << listed;
    }
    const std::string json = get(server, "/scores.json");
    EXPECT_NE(json.find("\"name\":\"FULL\",\"score\":" + std::to_string(full.score) +
                        ",\"proven\":true,\"replay\":"),
              std::string::npos)
        << json;
    const std::string any = get(server, "/scores.json?pace=any");
    const auto rowOf = [&any](const std::string& name) {
        const size_t at = any.find("\"name\":\"" + name + "\"");
        return at == std::string::npos ? std::string() : any.substr(at, any.find('}', at) - at);
    };
    EXPECT_TRUE(rowOf("HALF").ends_with(",\"pace\":50")) << any;
    EXPECT_TRUE(rowOf("FULL").ends_with(",\"pace\":100")) << any;
    EXPECT_TRUE(rowOf("PLAIN").ends_with(",\"pace\":100")) << any;
    const std::string page = get(server, "/scores?pace=any");
    EXPECT_NE(page.find("HALF"), std::string::npos);
    EXPECT_NE(page.find("<td class=\"pace\">50%</td>"), std::string::npos) << page;
    EXPECT_NE(page.find("<td class=\"pace\">100%</td>"), std::string::npos) << page;
}

// Records beyond the size limit are refused before they are held; a full verifier queue
// answers 503 with Retry-After while the list keeps being answered.
TEST(ProvenScoreTest, LimitsOfRecordsAndVerifiers) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    ServerLimits limits = proofLimits();
    limits.proofs.maxBytes = game.record.size();
    limits.proofs.queue = 1;
    limits.proofs.perClient = 8;  // the queue's bound, not the client's, is what is tried
    InProcessServer server(limits, nullptr, {}, true);
    int status = 0;
    post(server, game.record + "x", status);
    EXPECT_EQ(status, 413);
    const std::string id = post(server, game.record, status).substr(0, 64);
    ASSERT_EQ(status, 200);

    // Eight uploads at once for one verifier and one place in the queue: some wait, the rest
    // are told to come back; none is refused.
    std::vector<std::thread> uploads;
    std::vector<int> statuses(8);
    std::vector<std::string> retryAfter(8);
    for (int i = 0; i < 8; ++i)
        uploads.emplace_back([&, i] {
            auto client = server.client();
            client.set_read_timeout(30);
            const auto result = client.Get(std::string(kScript) + "?myname=P" + std::to_string(i) +
                                           "&myscore=" + std::to_string(game.score) + "&myid=q" +
                                           std::to_string(i) + "&myproof=" + id);
            statuses[i] = result ? result->status : -1;
            if (result) retryAfter[i] = result->get_header_value("Retry-After");
        });
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(get(server, kScript).find('<'), std::string::npos) << "the list is answered";
    for (auto& t : uploads) t.join();
    int busy = 0;
    for (int i = 0; i < 8; ++i) {
        EXPECT_TRUE(statuses[i] == 200 || statuses[i] == 422 || statuses[i] == 503) << statuses[i];
        if (statuses[i] == 503) {
            ++busy;
            EXPECT_FALSE(retryAfter[i].empty());
        }
    }
    EXPECT_GE(busy, 1);
    // One game, one listed score, whichever upload came first.
    const std::string list = get(server, kScript);
    EXPECT_EQ(std::count(list.begin(), list.end(), ';'), 1) << list;

    // A step limit shorter than the game: the record is refused. Every byte costs a step, so
    // the record limit follows from the step limit: more bytes than steps are refused at once.
    ServerLimits stepLimited = proofLimits();
    stepLimited.proofs.maxSteps = 1000;
    ASSERT_GT(game.record.size(), 1000u);
    InProcessServer bytesLimited(stepLimited, nullptr, {}, true);
    post(bytesLimited, game.record, status);
    EXPECT_EQ(status, 413);
    stepLimited.proofs.maxBytes = game.record.size();
    InProcessServer strict(stepLimited, nullptr, {}, true);
    const std::string again = post(strict, game.record, status).substr(0, 64);
    ASSERT_EQ(status, 200);
    EXPECT_EQ(
        upload(strict, "myname=LONG&myscore=" + std::to_string(game.score) + "&myproof=" + again,
               status),
        "refused: the record is over the step limit\n");
    EXPECT_EQ(status, 422);
}

// The bytes of records arriving are counted per client within its share of held bytes, and
// for everyone within the bound of bytes arriving at once; what is given back is free again.
TEST(ProvenScoreTest, ArrivingRecordsStayWithinTheirShares) {
    ProofLimits limits;
    limits.heldBytes = 10;
    limits.arrivingBytes = 16;
    ProofKeeper keeper(limits);
    using Taken = ProofKeeper::Taken;
    EXPECT_EQ(keeper.take("a", 8), Taken::Yes);
    EXPECT_EQ(keeper.take("a", 3), Taken::ClientFull);
    EXPECT_EQ(keeper.take("b", 8), Taken::Yes);
    EXPECT_EQ(keeper.take("c", 1), Taken::AllFull);
    EXPECT_EQ(keeper.arriving(), 16u);
    keeper.give("a", 8);
    EXPECT_EQ(keeper.take("c", 8), Taken::Yes);
    EXPECT_EQ(keeper.take("a", 1), Taken::AllFull);
    EXPECT_EQ(ProofKeeper::idOf("aaaa"),
              Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>("aaaa"), 4)));
}

// Clients take turns at the verifiers: one client's third proof at once is told to wait
// (429), and another client's proof is played before that client's second. Processor time a
// client's proofs took counts against its budget over the window; the others are not held up.
TEST(ProvenScoreTest, ClientsTakeTurnsAtTheVerifiersWithinTheirBudgets) {
    const std::string dir = makeTempDirectory("fair_verifier");
    ProofLimits limits;
    limits.verifier = fakeVerifier(dir, "refused slow", 3);
    limits.verifiers = 1;
    limits.perClient = 2;
    limits.budgetMs = 1000;
    limits.budgetSeconds = 60;
    std::mutex mutex;
    std::condition_variable answered;
    int verdicts = 0;
    const auto count = [&](Verdict verdict) {
        EXPECT_EQ(verdict.reason, "slow");
        std::lock_guard lock(mutex);
        ++verdicts;
        answered.notify_all();
    };
    const auto record = [](const char* text) { return std::make_shared<const std::string>(text); };
    using Admission = ProofVerifier::Admission;
    {
        ProofVerifier verifier(limits, dir);
        EXPECT_EQ(verifier.submit("A", record("A1"), count).kind, Admission::Queued);
        waitForText(dir + "log", "A1");
        EXPECT_EQ(verifier.submit("A", record("A2"), count).kind, Admission::Queued);
        const ProofVerifier::Admitted third = verifier.submit("A", record("A3"), count);
        EXPECT_EQ(third.kind, Admission::ClientBusy);
        EXPECT_GT(third.retryAfter, 0u);
        EXPECT_EQ(verifier.submit("B", record("B1"), count).kind, Admission::Queued);
        std::ofstream(dir + "go") << "";
        {
            std::unique_lock lock(mutex);
            answered.wait(lock, [&] { return verdicts == 3; });
        }
        EXPECT_EQ(readText(dir + "log"), "A1\nB1\nA2\n");

        // C's proofs took its whole second a minute: it waits until that second leaves the
        // window, 59 s on; D is played meanwhile.
        const auto start = std::chrono::steady_clock::now();
        verifier.charge("C", 1000, start);
        const ProofVerifier::Admitted over =
            verifier.submit("C", record("C1"), count, start + std::chrono::seconds(1));
        EXPECT_EQ(over.kind, Admission::OverBudget);
        EXPECT_EQ(over.retryAfter, 59u);
        EXPECT_EQ(verifier.submit("D", record("D1"), count, start + std::chrono::seconds(1)).kind,
                  Admission::Queued);
        EXPECT_EQ(verifier.submit("C", record("C2"), count, start + std::chrono::seconds(60)).kind,
                  Admission::Queued);
        std::unique_lock lock(mutex);
        answered.wait(lock, [&] { return verdicts == 5; });
    }
    std::filesystem::remove_all(dir);
}

// A record judged once is never played again: a second upload naming it is answered from
// what the store and the server know.
TEST(ProvenScoreTest, AJudgedRecordIsNotPlayedAgain) {
    const std::string dir = makeTempDirectory("judged_once");
    ServerLimits limits = proofLimits();
    limits.proofs.verifier = fakeVerifier(dir, "proven 7 " + std::string(64, 'b'), 0);
    std::ofstream(dir + "go") << "";
    InProcessServer server(limits, nullptr, {}, true);
    int status = 0;
    for (const char* record : {"first", "second"}) {
        const std::string id = post(server, record, status).substr(0, 64);
        ASSERT_EQ(status, 200);
        upload(server, "myname=ONE&myscore=7&myid=u1&myproof=" + id, status);
        EXPECT_EQ(status, 200) << "the same upload again";
        EXPECT_EQ(upload(server, "myname=TWO&myscore=7&myid=u2&myproof=" + id, status),
                  "refused: this game was proven before for another upload\n");
        EXPECT_EQ(status, 422);
    }
    // Each record played once; the second is the same game (one key), refused as a reuse.
    EXPECT_EQ(readText(dir + "log"), "first\nsecond\n");
    EXPECT_EQ(get(server, kScript), ";ONE,7");
    std::filesystem::remove_all(dir);
}

// One client's flood of records is held within its share (429 beyond it, a record sent again
// held once) and counted by its upload rate; another client's record, sent before the flood,
// is still there for its upload.
TEST(ProvenScoreTest, OneClientsFloodOfRecordsLeavesOthersTheirs) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    ServerLimits limits = proofLimits();
    ASSERT_TRUE(limits.trustedProxies.add("127.0.0.1"));
    limits.proofs.heldCount = 4;
    limits.uploadsPerSecond = 0.001;
    limits.uploadBurst = 8;
    InProcessServer server(limits, nullptr, {}, true);
    int status = 0;
    const std::string id = post(server, game.record, status, "10.0.0.2").substr(0, 64);
    ASSERT_EQ(status, 200);

    std::vector<int> statuses;
    for (const char* record : {"a1", "a2", "a3", "a4", "a5", "a1", "a6", "a7", "a8"}) {
        post(server, record, status, "10.0.0.1");
        statuses.push_back(status);
    }
    // Four held, the fifth past the share, the first again held once; the burst of eight
    // spent, the ninth is one too many.
    EXPECT_EQ(statuses, (std::vector<int>{200, 200, 200, 200, 429, 200, 429, 429, 429}));

    const std::string score = std::to_string(game.score);
    EXPECT_EQ(uploadFrom(server, "myname=B&myscore=" + score + "&myid=b&myproof=" + id, "10.0.0.2",
                         status),
              "recorded\n");
    EXPECT_EQ(get(server, kScript), ";B," + score);
}

// A game longer than 64 KiB of record and a game paused for a night are proven: the record
// limit follows from the step limit, and paused ticks cost nothing. Both are the stored game
// of three levels, paused halfway: for a night, or for a while in which the player pressed and
// let go of a key some thirty thousand times.
TEST(ProvenScoreTest, LongAndPausedGamesAreProven) {
    const std::string folder = std::string(RECORDS_DIR) + "/" + std::to_string(kRulesVersion) + "/";
    const std::string stored = readText(folder + "autoplay-three-levels.rec");
    std::istringstream expected(readText(folder + "autoplay-three-levels.expected"));
    std::string word;
    unsigned score = 0;
    expected >> word >> score;
    ASSERT_EQ(word, "proven");
    RecordCodec::Result read =
        RecordCodec::decode(reinterpret_cast<const uint8_t*>(stored.data()), stored.size());
    ASSERT_TRUE(read.record.has_value());
    const auto pausedFor = [&](const std::vector<RecordStep>& whilePaused) {
        GameRecord record = *read.record;
        std::vector<RecordStep>& steps = record.sessions[0].steps;
        auto release = std::find(steps.begin() + static_cast<long>(steps.size() / 2), steps.end(),
                                 RecordStep{RecordStep::Release, 0});
        constexpr uint32_t kPauseKey = 5;  // the left soft key
        std::vector<RecordStep> inserted{{RecordStep::Press, kPauseKey}, {RecordStep::Release, 0}};
        inserted.insert(inserted.end(), whilePaused.begin(), whilePaused.end());
        inserted.insert(inserted.end(), {{RecordStep::Press, kPauseKey}, {RecordStep::Release, 0}});
        steps.insert(release + 1, inserted.begin(), inserted.end());
        const std::vector<uint8_t> bytes = RecordCodec::encode(record);
        return std::string(bytes.begin(), bytes.end());
    };
    const std::string night = pausedFor({{RecordStep::Tick, 10 * 3600 * 1000 / 11}});
    std::vector<RecordStep> keys;
    constexpr uint32_t kLeftKey = 1;
    for (int i = 0; i < 27000; ++i)
        keys.insert(
            keys.end(),
            {{RecordStep::Tick, 20}, {RecordStep::Press, kLeftKey}, {RecordStep::Release, 0}});
    const std::string busy = pausedFor(keys);
    ASSERT_GT(busy.size(), 78000u);

    for (const std::string& record : {night, busy}) {
        InProcessServer server(proofLimits(), nullptr, {}, true);
        int status = 0;
        const std::string id = post(server, record, status).substr(0, 64);
        ASSERT_EQ(status, 200) << record.size();
        EXPECT_EQ(upload(server, "myname=LONG&myscore=" + std::to_string(score) + "&myproof=" + id,
                         status),
                  "recorded\n");
        EXPECT_EQ(get(server, kScript), ";LONG," + std::to_string(score));
    }
}
