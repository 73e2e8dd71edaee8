// GameRecorder: starting, taking up and closing the record; its file.
#include "proof/game_recorder.h"

#include "frontend/game_app.h"
#include "frontend/main_menu.h"
#include "frontend/screen_transition.h"
#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/random.h"
#include "platform/window.h"
#include "proof/record_codec.h"
#include "proof/rules_version.h"
#include "proof/sha256.h"
#include "world/playfield.h"

namespace {
constexpr const char* kRecordFileName = "GameRecord.dat";
constexpr size_t kMaxRecordFileBytes = 4u << 20;
constexpr size_t kMaxLevelFileBytes = 1u << 20;
constexpr int kMenuStart = 0;
constexpr int kMenuContinue = 1;

std::string recordPath() {
    return writableDirectory() + kRecordFileName;
}

std::array<uint8_t, 32> levelFileHash() {
    const platform::FileRead file =
        platform::readFile(programDirectory() + "BrickMap.dat", kMaxLevelFileBytes);
    return Sha256::of(file.bytes.data(), file.bytes.size());
}

bool gameEnded(const GameApp& app) {
    const uint32_t state = app.state() == TRANSITION ? app.transition()->target : app.state();
    return state == GAME_OVER || state == VICTORY;
}
}  // namespace

void GameRecorder::beforePress(const GameApp& app, uint32_t code) {
    startPending_ = false;
    if (app.state() != MENU || (code != platform::kKeyAction && code != platform::kKeyLeftSoft))
        return;
    const int entry = app.mainMenu()->selection();
    if (entry != kMenuStart && entry != kMenuContinue) return;
    // What play reads that was set before it: the generator's state (the title, the menus and
    // earlier games have moved it on), the pause, the sound switches.
    pending_ = RecordSession{};
    pending_.randomState = platform::randomState;
    pending_.flags = static_cast<uint8_t>(
        (entry == kMenuContinue ? RecordSession::kContinued : 0) |
        (app.gameRunning() ? 0 : RecordSession::kPaused) | (soundOn ? RecordSession::kSoundOn : 0) |
        (musicOn ? RecordSession::kMusicOn : 0) | (muted ? RecordSession::kMuted : 0));
    startPending_ = true;
}

void GameRecorder::afterPress(const GameApp& app, uint32_t code) {
    if (startPending_) {
        startPending_ = false;
        if (app.state() == TRANSITION && app.transition()->target == STAGE)
            begin(app, (pending_.flags & RecordSession::kContinued) != 0);
        return;
    }
    const int index = keyIndex(code);
    if (mode_ == Mode::Recording && index >= 0)
        record_.sessions.back().addPress(static_cast<uint32_t>(index));
}

void GameRecorder::begin(const GameApp& app, bool continued) {
    const Playfield& field = *app.playfield();
    pending_.start = {field.level(), field.livesLeft(), scoreCounter->value()};
    GameRecord fresh{kRulesVersion, levelFileHash(), {}};
    finished_.clear();
    mode_ = Mode::Recording;
    if (continued) {
        const platform::FileRead file = platform::readFile(recordPath(), kMaxRecordFileBytes);
        RecordCodec::Result saved = RecordCodec::decode(file.bytes.data(), file.bytes.size());
        const bool sameGround = saved.record && saved.record->rulesVersion == fresh.rulesVersion &&
                                saved.record->levelHash == fresh.levelHash;
        const bool inProgress =
            sameGround && !saved.record->sessions.empty() && saved.record->sessions.back().cut;
        if (inProgress && *saved.record->sessions.back().cut == pending_.start) {
            fresh = std::move(*saved.record);
        } else if (!(pending_.start == GameValues{})) {
            // A saved game from anywhere but the start with no record that reaches it.
            mode_ = Mode::Unprovable;
        }
    }
    record_ = std::move(fresh);
    if (mode_ == Mode::Recording) record_.sessions.push_back(std::move(pending_));
}

void GameRecorder::release() {
    if (mode_ == Mode::Recording) record_.sessions.back().addRelease();
}

void GameRecorder::pauseToggle() {
    if (mode_ == Mode::Recording) record_.sessions.back().addPause();
}

bool GameRecorder::tick(const GameApp& app) {
    if (mode_ == Mode::Unprovable && gameEnded(app)) {
        mode_ = Mode::Idle;
        return true;
    }
    if (mode_ != Mode::Recording) return false;
    record_.sessions.back().addTick();
    if (!gameEnded(app)) return false;
    finished_ = RecordCodec::encode(record_);
    mode_ = Mode::Ended;
    return true;
}

void GameRecorder::draw() {
    if (mode_ == Mode::Recording) record_.sessions.back().addDraw();
}

void GameRecorder::afterSaves(const GameApp& app) {
    const Playfield::SaveWritten& save = app.playfield()->lastSave();
    if (save.count == savesSeen_) return;
    savesSeen_ = save.count;
    if (mode_ == Mode::Recording) {
        RecordSession& session = record_.sessions.back();
        session.cut = GameValues{save.level, save.lives, save.score};
        const std::vector<uint8_t> bytes = RecordCodec::encode(record_);
        session.cut.reset();
        platform::writeFileAtomically(recordPath(), bytes.data(), bytes.size());
    } else if (mode_ == Mode::Ended) {
        const std::vector<uint8_t> bytes = RecordCodec::encode(record_);
        platform::writeFileAtomically(recordPath(), bytes.data(), bytes.size());
    } else {
        // Nothing a Continue could take up.
        platform::writeFileAtomically(recordPath(), nullptr, 0);
    }
}

std::string GameRecorder::takeFinished() {
    std::string bytes(finished_.begin(), finished_.end());
    finished_.clear();
    return bytes;
}
