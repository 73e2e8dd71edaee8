// ScoreService: store calls handed to the workers and records to the verifiers, their outcomes
// turned into answers, and a thread that checks the store's health and trims its rows once a
// second.
#include "server/score_service.h"

#include <algorithm>
#include <filesystem>
#include <optional>

#include "record/level_set.h"
#include "record/record_codec.h"
#include "server/http_status.h"
#include "server/leaderboard.h"
#include "server/set_pages.h"

namespace {

using Clock = StoreCall::Clock;

constexpr auto kUpkeepPeriod = std::chrono::seconds(1);
constexpr int kMaxTrimBatches = 200;  // per period, so that a stop is never held up long
constexpr const char* kRetryAfterSeconds = "1";

// A 503 or 429 says when to ask again.
ServiceAnswer text(unsigned status, std::string body,
                   const std::string& retryAfterSeconds = kRetryAfterSeconds) {
    ServiceAnswer answer{status,
                         ServiceAnswer::Kind::Text,
                         std::make_shared<const std::string>(std::move(body)),
                         {}};
    if (status == kUnavailable || status == kTooManyRequests)
        answer.headers.emplace_back("Retry-After", retryAfterSeconds);
    return answer;
}

int64_t unixNow() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::system_clock::now().time_since_epoch())
        .count();
}

ServiceAnswer uploadAnswer(RecordOutcome outcome) {
    switch (outcome) {
        case RecordOutcome::Recorded:
        case RecordOutcome::Repeated:
            return text(kOk, "recorded\n");
        case RecordOutcome::Conflict:
            return text(kConflict, "this upload id was sent before with another name or score\n");
        case RecordOutcome::Late:
            return text(kUnavailable, "not recorded: the score store did not answer in time\n");
        case RecordOutcome::Used:
            return text(kUnprocessable,
                        "refused: this game was proven before for another upload\n");
        case RecordOutcome::NoRecord:
            return text(kUnavailable, "the proof has not arrived: send it again\n");
        case RecordOutcome::Failed:
            break;
    }
    return text(kUnavailable, "not recorded\n");
}

// What a verifier's verdict on an upload's record comes to: an answer at once (not checked, or
// refused), or the upload to be stored with its game (null for a record of other rules: the
// score is kept, never listed as proven).
struct ProofDecision {
    std::optional<ServiceAnswer> answer;
    std::shared_ptr<const ProvenGame> game;
};

// The sittings a record holds (each session of it one run of the program, the later ones
// continuing the saved game); 0 when it cannot be read, which a proven record always can. And
// the pace it was played at (its slowest session's).
ProvenGame provenGame(const std::string& key, const std::string& id, const std::string& record,
                      const std::string& levelSet) {
    const RecordCodec::Result decoded =
        RecordCodec::decode(reinterpret_cast<const uint8_t*>(record.data()), record.size());
    ProvenGame game{key, id, record,
                    decoded.record ? static_cast<uint32_t>(decoded.record->sessions.size()) : 0};
    if (decoded.record) game.pace = gamePace(*decoded.record);
    game.levelSet = levelSet;
    return game;
}

ProofDecision decideProof(const ScoreRequest& upload, const Verdict& verdict,
                          const std::string& record) {
    switch (verdict.kind) {
        case Verdict::Kind::Failed:
            return {text(kUnavailable, "not checked: " + verdict.reason + "\n"), nullptr};
        case Verdict::Kind::Refused:
            return {text(kUnprocessable, "refused: " + verdict.reason + "\n"), nullptr};
        case Verdict::Kind::Proven:
            if (verdict.score != upload.score)
                return {text(kUnprocessable, "refused: score differs\n"), nullptr};
            return {std::nullopt, std::make_shared<const ProvenGame>(
                                      provenGame(verdict.key, upload.proofId, record, upload.set))};
        case Verdict::Kind::Unproven:
            if (!upload.set.empty())
                return {text(kUnprocessable, "refused: " + verdict.reason +
                                                 "; a level set's board lists proven games only\n"),
                        nullptr};
            break;
    }
    return {std::nullopt, nullptr};
}

// The store, set to list what the server lists before anything reads it.
ScoreStore& listing(ScoreStore& store, bool unproven) {
    store.listUnproven(unproven);
    return store;
}

// The list reply has one form; the page and JSON list every full-pace game, those of one
// sitting or the games at every pace.
ServiceAnswer listAnswer(ServiceAnswer::Kind form, bool oneSitting, bool anyPace,
                         const ListView& view) {
    if (!view.snapshot) return text(kUnavailable, "the score list cannot be reached just now\n");
    const ListSnapshot& list = *view.snapshot;
    const ListSnapshot::Board& board = anyPace      ? list.anyPace
                                       : oneSitting ? list.oneSitting
                                                    : list.all;
    ServiceAnswer answer{kOk,
                         form,
                         form == ServiceAnswer::Kind::Text   ? list.text
                         : form == ServiceAnswer::Kind::Json ? board.json
                                                             : board.html,
                         {}};
    if (view.age >= 0) {
        answer.headers.emplace_back("Age", std::to_string(view.age));
        if (form == ServiceAnswer::Kind::Html)
            answer.body = std::make_shared<const std::string>(
                leaderboardHtml(board.records, view.age, oneSitting, anyPace));
    }
    return answer;
}

}  // namespace

ScoreService::ScoreService(ScoreStore& scoreStore, const StoreLimits& storeLimits,
                           const ProofLimits& proofs)
    : store(listing(scoreStore, proofs.acceptUnproven)),
      limits(storeLimits),
      workers(std::make_unique<StoreWorkers>(storeLimits.threads, storeLimits.queue)),
      cache(std::make_unique<ListCache>(scoreStore, *workers,
                                        std::chrono::milliseconds(storeLimits.readMs),
                                        std::chrono::seconds(storeLimits.staleSeconds))),
      proofs(proofs),
      verifier(
          std::make_unique<ProofVerifier>(proofs, std::filesystem::temp_directory_path().string())),
      verdicts(proofs.verdicts) {
    store.watchOthers([this] { cache->changed(); });
    upkeeper = std::thread([this] { upkeep(); });
}

ScoreService::~ScoreService() {
    verifier.reset();  // answers what still waits, and stores what it proves, first
    stop();
    upkeeper.join();
    store.watchOthers({});
    workers.reset();  // joins the workers before the cache they serve goes
}

void ScoreService::stop() {
    if (verifier) verifier->stop();
    {
        std::lock_guard lock(upkeepMutex);
        stopping = true;
    }
    upkeepWake.notify_all();
    workers->stop();
}

// The record's id is looked up first: a game proven before (on any server) has its key and
// score in the store, and a record this server judged has its verdict in memory; only a record
// judged by neither is played, within its client's share of the verifiers.
bool ScoreService::upload(const ScoreRequest& upload, const std::string& client, ServiceAnswer& now,
                          Reply later) {
    if (upload.proofId.empty() && !upload.set.empty()) {
        now = text(kUnprocessable, "refused: a level set's board lists proven games only\n");
        return true;
    }
    if (upload.proofId.empty()) return recordUpload(upload, nullptr, now, std::move(later));
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.readMs));
    auto reply = std::make_shared<Reply>(std::move(later));
    StoreWorkers::Task task{
        call,
        [this, upload, client, reply](StoreCall& made) {
            ProofLookup found = store.lookUpRecord(upload.proofId, unixNow(), made);
            // A game on a level set is played on that set's file.
            std::optional<std::string> setBytes;
            if (found.answered && !upload.set.empty()) setBytes = store.setFile(upload.set, made);
            if (!made.claimFinish()) return;
            if (!found.answered || (!upload.set.empty() && !setBytes))
                return (*reply)(
                    text(kUnavailable, "not checked: the score store did not answer\n"));
            if (setBytes && setBytes->empty())
                return (*reply)(text(kNotFound, "no such level set\n"));
            ProofKeeper::Bytes levels;
            if (setBytes) levels = std::make_shared<const std::string>(std::move(*setBytes));
            // A verdict holds for the record on the level file it was played on.
            const std::string judgedAs = upload.proofId + upload.set;
            const std::string bytes = found.bytes.value_or(std::string());
            if (found.proven) {
                Verdict verdict{Verdict::Kind::Proven, found.proven->score, found.proven->key, {}};
                return judged(upload, verdict, bytes, reply);
            }
            if (std::optional<Verdict> known = verdicts.find(judgedAs))
                return judged(upload, *known, bytes, reply);
            if (!found.bytes)
                return (*reply)(text(kUnavailable, "the proof has not arrived: send it again\n"));
            auto record = std::make_shared<const std::string>(bytes);
            const ProofVerifier::Admitted admitted = verifier->submit(
                client, record,
                [this, upload, record, reply, judgedAs](Verdict verdict) {
                    verdicts.keep(judgedAs, verdict);
                    judged(upload, verdict, *record, reply);
                },
                Clock::now(), levels);
            const std::string wait = std::to_string(admitted.retryAfter);
            switch (admitted.kind) {
                case ProofVerifier::Admission::Queued:
                    return;
                case ProofVerifier::Admission::ClientBusy:
                    return (*reply)(text(kTooManyRequests,
                                         "too many proofs at once: wait for their answers\n",
                                         wait));
                case ProofVerifier::Admission::OverBudget:
                    return (*reply)(text(kTooManyRequests,
                                         "your proofs took their share of the verifiers: try "
                                         "again later\n",
                                         wait));
                case ProofVerifier::Admission::Full:
                    break;
            }
            (*reply)(text(kUnavailable, "the verifiers are busy\n", wait));
        },
        [reply] { (*reply)(text(kUnavailable, "not checked: the score store did not answer\n")); }};
    if (workers->submit(std::move(task))) return false;
    now = text(kUnavailable, "not checked: the score store is busy\n");
    return true;
}

// A record judged for good (refused, or its upload stored or refused as a reuse) is let go of;
// one whose upload named the wrong score, or could not be stored yet, stays until it expires.
void ScoreService::judged(const ScoreRequest& upload, const Verdict& verdict,
                          const std::string& record, const std::shared_ptr<Reply>& reply) {
    ProofDecision decided = decideProof(upload, verdict, record);
    if (decided.answer) {
        if (verdict.kind == Verdict::Kind::Refused) dropRecord(upload.proofId);
        return (*reply)(std::move(*decided.answer));
    }
    const std::string id = upload.proofId;
    Reply settled = [this, id, reply](ServiceAnswer answer) {
        if (answer.status == kOk || answer.status == kUnprocessable) dropRecord(id);
        (*reply)(std::move(answer));
    };
    ServiceAnswer atOnce;
    if (recordUpload(upload, std::move(decided.game), atOnce, settled)) settled(std::move(atOnce));
}

void ScoreService::dropRecord(const std::string& id) {
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.writeMs));
    workers->submit({call,
                     [this, id](StoreCall& made) {
                         store.dropRecords(id, 0, made);
                         made.claimFinish();
                     },
                     [] {}});  // what is not let go of expires
}

bool ScoreService::keepRecord(std::shared_ptr<std::string> bytes, const std::string& client,
                              ServiceAnswer& now, Reply later) {
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.writeMs));
    auto reply = std::make_shared<Reply>(std::move(later));
    StoreWorkers::Task task{
        call,
        [this, bytes, client, reply](StoreCall& made) {
            const int64_t at = unixNow();
            HeldRecord held{ProofKeeper::idOf(*bytes), std::move(*bytes), client,
                            at + static_cast<int64_t>(proofs.keepSeconds)};
            const KeepOutcome outcome = store.keepRecord(
                held, {static_cast<unsigned>(proofs.heldCount), proofs.heldBytes}, at, made);
            if (!made.claimFinish()) return;
            switch (outcome) {
                case KeepOutcome::Kept:
                    return (*reply)(text(kOk, held.id + "\n"));
                case KeepOutcome::Full:
                    return (*reply)(text(kTooManyRequests,
                                         "too many records held for you: upload their scores "
                                         "first\n",
                                         std::to_string(std::max(1u, proofs.keepSeconds / 4))));
                case KeepOutcome::Failed:
                    break;
            }
            (*reply)(text(kUnavailable, "not kept: the score store did not answer\n"));
        },
        [reply] { (*reply)(text(kUnavailable, "not kept: the score store did not answer\n")); }};
    if (workers->submit(std::move(task))) return false;
    now = text(kUnavailable, "not kept: the score store is busy\n");
    return true;
}

bool ScoreService::recordUpload(const ScoreRequest& upload, std::shared_ptr<const ProvenGame> game,
                                ServiceAnswer& now, Reply later) {
    const std::string& name = upload.name;
    const uint32_t score = upload.score;
    const std::string& uploadId = upload.uploadId;
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.writeMs));
    auto reply = std::make_shared<Reply>(std::move(later));
    StoreWorkers::Task task{
        call,
        [this, name, score, uploadId, game, reply](StoreCall& made) {
            const RecordOutcome outcome =
                game != nullptr ? store.recordProven(name, score, uploadId, *game, made)
                                : store.record(name, score, uploadId, made);
            if (outcome == RecordOutcome::Recorded) {
                // Before the answer: the client's next read sees it. A level set's board is
                // read afresh each time.
                if (game == nullptr || game->levelSet.empty()) cache->recorded(score);
                ++recordedSinceTrim;
            }
            noteOutcome(outcome != RecordOutcome::Late && outcome != RecordOutcome::Failed);
            if (made.claimFinish()) (*reply)(uploadAnswer(outcome));
        },
        [this, reply] {
            noteOutcome(false);
            (*reply)(uploadAnswer(RecordOutcome::Late));
        }};
    if (workers->submit(std::move(task))) return false;
    now = text(kUnavailable, "not recorded: the score store is busy\n");
    return true;
}

bool ScoreService::replay(const std::string& id, ServiceAnswer& now, Reply later) {
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.readMs));
    auto reply = std::make_shared<Reply>(std::move(later));
    StoreWorkers::Task task{
        call,
        [this, id, reply](StoreCall& made) {
            std::optional<std::string> record = store.replay(id, made);
            if (!made.claimFinish()) return;
            if (!record) {
                (*reply)(text(kNotFound, "no such replay\n"));
                return;
            }
            (*reply)({kOk,
                      ServiceAnswer::Kind::Bytes,
                      std::make_shared<const std::string>(std::move(*record)),
                      {}});
        },
        [reply] { (*reply)(text(kUnavailable, "the replay cannot be read now\n")); }};
    if (workers->submit(std::move(task))) return false;
    now = text(kUnavailable, "the score store is busy\n");
    return true;
}

bool ScoreService::listNow(ServiceAnswer::Kind form, bool oneSitting, bool anyPace,
                           ServiceAnswer& now) {
    std::shared_ptr<const ListSnapshot> current = cache->current();
    if (!current) return false;
    now = listAnswer(form, oneSitting, anyPace, {std::move(current), -1});
    return true;
}

bool ScoreService::list(ServiceAnswer::Kind form, bool oneSitting, bool anyPace, ServiceAnswer& now,
                        Reply later) {
    ListView view;
    if (cache->get(view,
                   [form, oneSitting, anyPace, later = std::move(later)](const ListView& found) {
                       later(listAnswer(form, oneSitting, anyPace, found));
                   })) {
        now = listAnswer(form, oneSitting, anyPace, view);
        return true;
    }
    return false;
}

ServiceAnswer ScoreService::health() const {
    return healthy ? text(kOk, "ok\n") : text(kUnavailable, "the score store is not answering\n");
}

// Once a period: a probe of the store through the workers, whose outcome is the health; and the
// rows beyond the bound deleted, in batches, when anything was recorded since.
void ScoreService::upkeep() {
    std::unique_lock lock(upkeepMutex);
    while (!stopping) {
        lock.unlock();
        auto call =
            std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.readMs));
        workers->submit({call,
                         [this](StoreCall& made) {
                             const bool answered = store.probe(made);
                             if (made.claimFinish()) noteOutcome(answered);
                         },
                         [this] { noteOutcome(false); }});
        if (recordedSinceTrim.exchange(0) > 0) trimAll();
        auto expiry =
            std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.writeMs));
        workers->submit({expiry,
                         [this](StoreCall& made) {
                             store.dropRecords({}, unixNow(), made);
                             made.claimFinish();
                         },
                         [] {}});
        lock.lock();
        upkeepWake.wait_for(lock, kUpkeepPeriod, [this] { return stopping; });
    }
}

void ScoreService::trimAll() {
    const long keep = std::max<long>(limits.keep, kMinKeep);
    for (int batch = 0; batch < kMaxTrimBatches; ++batch) {
        StoreCall call(Clock::now() + std::chrono::milliseconds(limits.writeMs));
        const long deleted = store.trim(keep, call);
        if (deleted < 0) ++recordedSinceTrim;  // try again next time
        if (deleted <= 0) return;
        std::lock_guard lock(upkeepMutex);
        if (stopping) return;
    }
    ++recordedSinceTrim;  // more left
}

bool ScoreService::onWorker(std::function<void(StoreCall&, const std::shared_ptr<Reply>&)> task,
                            const char* busy, ServiceAnswer& now, Reply later) {
    auto call =
        std::make_shared<StoreCall>(Clock::now() + std::chrono::milliseconds(limits.readMs));
    auto reply = std::make_shared<Reply>(std::move(later));
    const std::string late = busy;
    StoreWorkers::Task work{call, [task, reply](StoreCall& made) { task(made, reply); },
                            [reply, late] { (*reply)(text(kUnavailable, late)); }};
    if (workers->submit(std::move(work))) return false;
    now = text(kUnavailable, busy);
    return true;
}

// The file is checked before the store sees it: only a set every game plays alike is kept.
bool ScoreService::publishSet(std::shared_ptr<const std::string> file, const std::string& name,
                              ServiceAnswer& now, Reply later) {
    const std::vector<uint8_t> bytes(file->begin(), file->end());
    if (const std::string fault = level_set::check(bytes); !fault.empty()) {
        now = text(kUnprocessable, "refused: " + fault + "\n");
        return true;
    }
    const std::string id = level_set::idOf(bytes);
    const unsigned most = limits.maxSets;
    return onWorker(
        [this, file, name, id, most](StoreCall& made, const std::shared_ptr<Reply>& reply) {
            const PublishOutcome outcome = store.publishSet(id, name, *file, unixNow(), most, made);
            if (!made.claimFinish()) return;
            switch (outcome) {
                case PublishOutcome::Published:
                case PublishOutcome::Known:
                    return (*reply)(text(kOk, id + "\n"));
                case PublishOutcome::Hidden:
                    return (*reply)(text(kGone, "this level set was taken down\n"));
                case PublishOutcome::Full:
                    return (*reply)(text(kInsufficientStorage,
                                         "this server holds as many level sets as it may (" +
                                             std::to_string(most) + ")\n"));
                case PublishOutcome::Failed:
                    break;
            }
            (*reply)(text(kUnavailable, "not published: the score store did not answer\n"));
        },
        "not published: the score store is busy\n", now, std::move(later));
}

bool ScoreService::sets(ServiceAnswer::Kind form, ServiceAnswer& now, Reply later) {
    return onWorker(
        [this, form](StoreCall& made, const std::shared_ptr<Reply>& reply) {
            std::optional<std::vector<LevelSetRow>> found = store.listSets(made);
            if (!made.claimFinish()) return;
            if (!found)
                return (*reply)(text(kUnavailable, "the level sets cannot be read just now\n"));
            (*reply)({kOk,
                      form,
                      std::make_shared<const std::string>(
                          form == ServiceAnswer::Kind::Json ? setsJson(*found) : setsHtml(*found)),
                      {}});
        },
        "the score store is busy\n", now, std::move(later));
}

bool ScoreService::setFile(const std::string& id, ServiceAnswer& now, Reply later) {
    return onWorker(
        [this, id](StoreCall& made, const std::shared_ptr<Reply>& reply) {
            std::optional<std::string> file = store.setFile(id, made);
            if (!made.claimFinish()) return;
            if (!file) return (*reply)(text(kUnavailable, "the level set cannot be read now\n"));
            if (file->empty()) return (*reply)(text(kNotFound, "no such level set\n"));
            (*reply)({kOk,
                      ServiceAnswer::Kind::Bytes,
                      std::make_shared<const std::string>(std::move(*file)),
                      {}});
        },
        "the score store is busy\n", now, std::move(later));
}

// Read from the store each time: a set's board is asked for far less than the built-in one.
bool ScoreService::setBoard(ServiceAnswer::Kind form, const std::string& id, ServiceAnswer& now,
                            Reply later) {
    return onWorker(
        [this, form, id](StoreCall& made, const std::shared_ptr<Reply>& reply) {
            const std::optional<std::string> name = store.setName(id, made);
            std::optional<std::vector<ScoreRecord>> best;
            if (name && !name->empty()) best = store.readSet(id, kListLength, made);
            if (!made.claimFinish()) return;
            if (name && name->empty()) return (*reply)(text(kNotFound, "no such level set\n"));
            if (!best)
                return (*reply)(text(kUnavailable, "the score list cannot be reached just now\n"));
            std::string body = form == ServiceAnswer::Kind::Text   ? formatList(*best)
                               : form == ServiceAnswer::Kind::Json ? leaderboardJson(*best)
                                                                   : setBoardHtml(id, *name, *best);
            (*reply)({kOk, form, std::make_shared<const std::string>(std::move(body)), {}});
        },
        "the score store is busy\n", now, std::move(later));
}
