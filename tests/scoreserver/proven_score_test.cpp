// Proven scores end to end on loopback: the real replay runner makes a game's record and the
// server plays it again before it lists the score; forged, altered and reused proofs are not
// listed, and a full verifier queue never stops the list from being answered.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "in_process_server.h"
#include "made_game.h"
#include "record/sha256.h"

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

std::string post(const InProcessServer& server, const std::string& body, int& status) {
    auto client = server.client();
    const auto result = client.Post(kProof, body, "application/octet-stream");
    status = result ? result->status : -1;
    return result ? result->body : "";
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

// Records beyond the size limit are refused before they are held; a full verifier queue
// answers 503 with Retry-After while the list keeps being answered.
TEST(ProvenScoreTest, LimitsOfRecordsAndVerifiers) {
    const MadeGame& game = autoplayGame();
    ASSERT_FALSE(game.record.empty());
    ServerLimits limits = proofLimits();
    limits.proofs.maxBytes = game.record.size();
    limits.proofs.queue = 1;
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

    // A step limit shorter than the game: the record is refused.
    ServerLimits stepLimited = proofLimits();
    stepLimited.proofs.maxSteps = 1000;
    InProcessServer strict(stepLimited, nullptr, {}, true);
    const std::string again = post(strict, game.record, status).substr(0, 64);
    ASSERT_EQ(status, 200);
    EXPECT_EQ(
        upload(strict, "myname=LONG&myscore=" + std::to_string(game.score) + "&myproof=" + again,
               status),
        "refused: the record is over the step limit\n");
    EXPECT_EQ(status, 422);
}

// Held records stay within their bounds, the oldest going first; a record sent again counts
// from its latest sending.
TEST(ProvenScoreTest, HeldRecordsStayWithinCountAndBytes) {
    ProofLimits limits;
    limits.heldCount = 2;
    limits.heldBytes = 10;
    ProofKeeper keeper(limits);
    const std::string a = keeper.keep("aaaa"), b = keeper.keep("bbbb");
    EXPECT_EQ(a, ProofKeeper::idOf("aaaa"));
    keeper.keep("aaaa");  // sent again: now the newest
    const std::string c = keeper.keep("cc");
    EXPECT_EQ(keeper.find(b), nullptr);
    ASSERT_NE(keeper.find(a), nullptr);
    EXPECT_EQ(*keeper.find(a), "aaaa");
    EXPECT_NE(keeper.find(c), nullptr);
    EXPECT_EQ(keeper.heldBytes(), 6u);
    keeper.keep("dddddddd");  // 8 bytes: the oldest (aaaa) goes, cc still fits
    EXPECT_EQ(keeper.find(a), nullptr);
    EXPECT_NE(keeper.find(c), nullptr);
    EXPECT_EQ(keeper.heldBytes(), 10u);
    keeper.keep("eeeeeeeeee");  // 10 bytes: held alone
    EXPECT_EQ(keeper.find(c), nullptr);
    EXPECT_EQ(keeper.heldBytes(), 10u);
}
