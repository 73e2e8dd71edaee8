// Pending scores with proofs: kept in ScoreProofs.dat until the server answers, sent first as a
// POST, then named in the upload; a server that knows nothing of proofs still gets the score.
#include <gtest/gtest.h>
#include <httplib.h>
#include <stdlib.h>

#include <chrono>
#include <mutex>
#include <thread>

#include "../support/bmp_builder.h"
#include "../support/wav_builder.h"
#include "assets/resource_ids.h"
#include "platform/bitmap.h"
#include "platform/headless/headless.h"
#include "scores/score_table.h"
#include "temp_directory.h"
#include "upload_target.h"

namespace {

constexpr const char* kPath = "/Vextorium2/updateScore.php";
const std::string kProofId(64, 'c');

// Answers proofs with `proofStatus` (and kProofId), uploads with `uploadStatus`, the list with
// an empty one; keeps every request as "METHOD target [body]".
class ProofServer {
  public:
    ProofServer() {
        server.Post("/Vextorium2/proof",
                    [this](const httplib::Request& request, httplib::Response& response) {
                        std::lock_guard lock(mutex);
                        requests.push_back("POST " + request.target + " " + request.body + " " +
                                           request.get_header_value("Content-Type"));
                        response.status = proofStatus;
                        response.set_content(proofStatus == 200 ? kProofId : "no", "text/plain");
                    });
        server.Get(kPath, [this](const httplib::Request& request, httplib::Response& response) {
            std::lock_guard lock(mutex);
            const bool upload = request.has_param("myname");
            // The proof's id comes last, after the upload's own id.
            const std::string target = request.target.substr(0, request.target.find("&myproof="));
            requests.push_back(
                "GET " + (upload ? withoutId(target) : target) +
                (request.has_param("myproof") ? " proof " + request.get_param_value("myproof")
                                              : "") +
                (upload && request.has_param("set") ? " set " + request.get_param_value("set")
                                                    : ""));
            response.status = upload ? uploadStatus : 200;
            response.set_content(upload && uploadStatus == 422 ? "score differs" : "",
                                 "text/plain");
        });
        port = server.bind_to_any_port("127.0.0.1");
        thread = std::thread([this] { server.listen_after_bind(); });
        for (int i = 0; i < 5000 && !server.is_running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        ::setenv("VEXTORIUM2_SCORE_HOST", ("127.0.0.1:" + std::to_string(port)).c_str(), 1);
    }
    ~ProofServer() {
        server.stop();
        thread.join();
    }
    std::vector<std::string> take() {
        std::lock_guard lock(mutex);
        return std::exchange(requests, {});
    }

    httplib::Server server;
    std::thread thread;
    int port = 0;
    std::mutex mutex;
    std::vector<std::string> requests;
    int proofStatus = 200;
    int uploadStatus = 200;
};

class ScoreProofTest : public testing::Test {
  protected:
    void SetUp() override {
        platform::headless::reset();
        std::vector<testing_support::Rgb> plain(176 * 220, {0, 0, 0});
        platform::addResource(resource::kHighScores, testing_support::makeBmp24(176, 220, plain));
    }
    std::vector<uint8_t> proofsFile() const {
        return testing_support::readFile(dir.path + "ScoreProofs.dat");
    }
    TempDirectory dir;
};

const std::string kUploadAb = std::string("GET ") + kPath + "?myname=AB&myscore=1234";
const std::string kUploadCd = std::string("GET ") + kPath + "?myname=CD&myscore=1500";

}  // namespace

// A proof outlives the program until its score is answered; then its file empties. The table's
// own file keeps its layout throughout.
TEST_F(ScoreProofTest, AProofIsKeptUntilItsScoreIsAnswered) {
    ProofServer server;
    {
        ScoreTable table;
        table.insert(u"AB", 1234, "RECORD-1");
        table.insert(u"CD", 1500);  // no proof: a plain upload
        table.save();
    }
    // "V2SP", AB in nine units, 1234, length 8, the bytes.
    std::vector<uint8_t> expected = {'V', '2', 'S', 'P', 'A', 0, 'B', 0};
    expected.resize(4 + 18, 0);
    for (uint8_t b : {0xD2, 0x04, 0, 0, 8, 0, 0, 0}) expected.push_back(b);
    for (char c : std::string("RECORD-1")) expected.push_back(static_cast<uint8_t>(c));
    EXPECT_EQ(proofsFile(), expected);
    EXPECT_EQ(testing_support::readFile(dir.path + "ScoreList.sav").size(), 3202u);

    ScoreTable table;  // a later run of the program
    EXPECT_EQ(table.entry(89).proof, "RECORD-1");
    EXPECT_EQ(table.entry(86).proof, "");
    server.proofStatus = 503;  // the verifiers are busy: nothing more this time
    table.synchronize();
    EXPECT_EQ(server.take(),
              (std::vector<std::string>{kUploadCd,
                                        "POST /Vextorium2/proof RECORD-1 application/octet-stream",
                                        std::string("GET ") + kPath}));
    EXPECT_EQ(table.entry(89).pending, 1);
    EXPECT_EQ(table.entry(89).proof, "RECORD-1");

    server.proofStatus = 200;
    server.uploadStatus = 503;  // the proof never arrived there: the score stays, with its proof
    table.synchronize();
    EXPECT_EQ(server.take(), (std::vector<std::string>{
                                 "POST /Vextorium2/proof RECORD-1 application/octet-stream",
                                 kUploadAb + " proof " + kProofId, std::string("GET ") + kPath}));
    EXPECT_EQ(table.entry(89).proof, "RECORD-1");

    server.uploadStatus = 200;
    table.synchronize();
    EXPECT_EQ(server.take()[1], kUploadAb + " proof " + kProofId);
    EXPECT_EQ(table.entry(89).pending, 0);
    table.save();
    EXPECT_TRUE(proofsFile().empty());
}

// A server that knows nothing of proofs gets the plain upload; a refused proof is never sent
// again, nor is its score.
TEST_F(ScoreProofTest, OldServersAndRefusedProofs) {
    ProofServer server;
    ScoreTable table;
    table.insert(u"AB", 1234, "RECORD-1");
    server.proofStatus = 404;
    table.synchronize();
    EXPECT_EQ(server.take(),
              (std::vector<std::string>{"POST /Vextorium2/proof RECORD-1 application/octet-stream",
                                        kUploadAb, std::string("GET ") + kPath}));
    EXPECT_EQ(table.entry(88).pending, 0);

    table.insert(u"CD", 1500, "RECORD-2");
    server.proofStatus = 200;
    server.uploadStatus = 422;
    table.synchronize();
    EXPECT_EQ(server.take()[1], kUploadCd + " proof " + kProofId);
    EXPECT_EQ(table.entry(86).pending, 0);
    EXPECT_EQ(table.entry(86).proof, "");
    table.synchronize();
    EXPECT_EQ(server.take(), (std::vector<std::string>{std::string("GET ") + kPath}));

    // A damaged proofs file gives no proofs: the scores still go up, plainly.
    table.insert(u"EF", 1600, "RECORD-3");
    table.save();
    std::vector<uint8_t> damaged = proofsFile();
    damaged.pop_back();
    testing_support::writeFile(dir.path + "ScoreProofs.dat", damaged);
    ScoreTable later;
    EXPECT_EQ(later.entry(85).pending, 1);
    EXPECT_EQ(later.entry(85).proof, "");
}

// A level set's table goes to that set's board: its upload and its list request name the set;
// the record goes up as any other (it names its level file itself). Its files are its own.
TEST_F(ScoreProofTest, ALevelSetsScoresGoToItsOwnBoard) {
    ProofServer server;
    const std::string set(64, 'e');
    platform::setLevelSet(dir.path + "set.dat", set);
    {
        ScoreTable table;
        table.insert(u"AB", 1234, "RECORD-1");
        table.synchronize();
        table.save();
    }
    platform::setLevelSet({}, {});
    EXPECT_EQ(server.take(),
              (std::vector<std::string>{"POST /Vextorium2/proof RECORD-1 application/octet-stream",
                                        kUploadAb + " proof " + kProofId + " set " + set,
                                        std::string("GET ") + kPath + "?set=" + set}));
    EXPECT_EQ(testing_support::readFile(dir.path + "sets/" + set + "/ScoreList.sav").size(), 3202u);
    EXPECT_TRUE(testing_support::readFile(dir.path + "ScoreList.sav").empty());
}
