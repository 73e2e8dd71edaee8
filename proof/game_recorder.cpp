// GameRecorder: starting, taking up and closing the record; its file.
#include "proof/game_recorder.h"

#include <vector>

#include "globals/globals.h"
#include "platform/files.h"
#include "record/record_codec.h"
#include "record/rules_version.h"
#include "record/sha256.h"

namespace {
constexpr const char* kRecordFileName = "GameRecord.dat";
constexpr size_t kMaxRecordFileBytes = 4u << 20;
constexpr size_t kMaxLevelFileBytes = 1u << 20;

std::string recordPath() {
    return writableDirectory() + kRecordFileName;
}

std::array<uint8_t, 32> levelFileHash() {
    const platform::FileRead file =
        platform::readFile(platform::levelFilePath(), kMaxLevelFileBytes);
    return Sha256::of(file.bytes.data(), file.bytes.size());
}

uint8_t startFlags(const SessionStart& start) {
    return static_cast<uint8_t>((start.continued ? RecordSession::kContinued : 0) |
                                (start.paused ? RecordSession::kPaused : 0) |
                                (start.soundOn ? RecordSession::kSoundOn : 0) |
                                (start.musicOn ? RecordSession::kMusicOn : 0) |
                                (start.muted ? RecordSession::kMuted : 0));
}

void writeRecordFile(const GameRecord* record) {
    if (record == nullptr) {
        platform::writeFileAtomically(recordPath(), nullptr, 0);
        return;
    }
    const std::vector<uint8_t> bytes = RecordCodec::encode(*record);
    platform::writeFileAtomically(recordPath(), bytes.data(), bytes.size());
}
}  // namespace

void GameRecorder::gameBegan(const SessionStart& start) {
    RecordSession session;
    session.randomState = start.randomState;
    session.start = start.values;
    session.flags = startFlags(start);
    GameRecord fresh{kRulesVersion, levelFileHash(), {}};
    mode_ = Mode::Recording;
    if (start.continued) {
        const platform::FileRead file = platform::readFile(recordPath(), kMaxRecordFileBytes);
        RecordCodec::Result saved = RecordCodec::decode(file.bytes.data(), file.bytes.size());
        const bool sameGround = saved.record && saved.record->rulesVersion == fresh.rulesVersion &&
                                saved.record->levelHash == fresh.levelHash;
        const bool inProgress =
            sameGround && !saved.record->sessions.empty() && saved.record->sessions.back().cut;
        if (inProgress && *saved.record->sessions.back().cut == start.values) {
            fresh = std::move(*saved.record);
        } else if (!(start.values == GameValues{})) {
            // A saved game from anywhere but the start with no record that reaches it.
            mode_ = Mode::Unprovable;
        }
    }
    record_ = std::move(fresh);
    if (mode_ == Mode::Recording) record_.sessions.push_back(std::move(session));
}

void GameRecorder::keyPressed(uint32_t keyCode) {
    const int index = keyIndex(keyCode);
    if (mode_ == Mode::Recording && index >= 0) session().addPress(static_cast<uint32_t>(index));
}

void GameRecorder::keyReleased() {
    if (mode_ == Mode::Recording) session().addRelease();
}

void GameRecorder::windowLost() {
    if (mode_ == Mode::Recording) session().addPause();
}

void GameRecorder::ticked() {
    if (mode_ == Mode::Recording) session().addTick();
}

void GameRecorder::drewWithLuck() {
    if (mode_ == Mode::Recording) session().addDraw();
}

std::string GameRecorder::gameEnded() {
    if (mode_ != Mode::Recording) {
        mode_ = Mode::Idle;
        return {};
    }
    mode_ = Mode::Ended;
    const std::vector<uint8_t> bytes = RecordCodec::encode(record_);
    return std::string(bytes.begin(), bytes.end());
}

void GameRecorder::gameSaved(const GameValues& saved) {
    switch (mode_) {
        case Mode::Recording:
            session().cut = saved;
            writeRecordFile(&record_);
            session().cut.reset();
            break;
        case Mode::Ended:
            writeRecordFile(&record_);
            break;
        default:
            // Nothing a Continue could take up.
            writeRecordFile(nullptr);
            break;
    }
}
