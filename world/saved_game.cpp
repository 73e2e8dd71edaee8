// Playfield: the saved game in AutoSave.dat (level, lives, score; 12 bytes, little-endian).
#include <algorithm>
#include <string>
#include <vector>

#include "globals/globals.h"
#include "graphics/digit_font.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "world/data_file.h"
#include "world/playfield.h"
#include "world/saved_game.h"

namespace {

constexpr const char* kSaveFileName = "AutoSave.dat";
constexpr int kFieldBytes = 4;
constexpr int kSaveBytes = 3 * kFieldBytes;
constexpr int32_t kNewGameLevel = 1;
constexpr int32_t kNewGameLives = 3;
constexpr int32_t kNewGameScore = 0;

std::string savePath() {
    return writableDirectory() + kSaveFileName;
}

// The saved values over the new-game ones: a file's bytes replace the record's from its start,
// so a short file keeps the rest (including the high bytes of a field cut short).
void readFields(const std::vector<uint8_t>& file, int32_t& level, int32_t& lives, int32_t& score) {
    uint8_t bytes[kSaveBytes];
    int32_t* fields[] = {&level, &lives, &score};
    for (int f = 0; f < 3; ++f)
        le::write32(bytes + kFieldBytes * f, static_cast<uint32_t>(*fields[f]));
    std::copy(file.begin(), file.end(), bytes);
    for (int f = 0; f < 3; ++f)
        *fields[f] = static_cast<int32_t>(le::read32(bytes + kFieldBytes * f));
}

// The saved game's values over the new-game ones; false where the file holds none to take up.
bool readSave(const platform::FileRead& file, int32_t& savedLevel, int32_t& savedLives,
              int32_t& savedScore) {
    // Anything that cannot be read (no permission, not a regular file) is no saved game.
    if (file.result != platform::FileRead::Read) return false;
    savedLevel = kNewGameLevel;
    savedLives = kNewGameLives;
    savedScore = kNewGameScore;
    readFields(file.bytes, savedLevel, savedLives, savedScore);
    // A level outside the table or lives that could never count down to zero cannot be
    // played: such a file counts as no save at all and the new game stands.
    return savedLevel >= kNewGameLevel && savedLevel <= Playfield::kLevels && savedLives >= 1;
}

}  // namespace

void writeSavedGame(int32_t level, int32_t lives, int32_t score) {
    uint8_t bytes[kSaveBytes];
    le::write32(bytes + 0 * kFieldBytes, static_cast<uint32_t>(level));
    le::write32(bytes + 1 * kFieldBytes, static_cast<uint32_t>(lives));
    le::write32(bytes + 2 * kFieldBytes, static_cast<uint32_t>(score));
    // Written to a temporary file and renamed over the old one, so a crash or a full disk
    // never leaves a half-written save. Failures are silent.
    platform::writeFileAtomically(savePath(), bytes, sizeof bytes);
}

void Playfield::writeSave(int32_t savedLevel, int32_t savedLives, int32_t savedScore) {
    writeSavedGame(savedLevel, savedLives, savedScore);
    lastSave_ = {lastSave_.count + 1, savedLevel, savedLives, savedScore};
}

void Playfield::saveGame() {
    writeSave(level_, lives_, scoreCounter != nullptr ? scoreCounter->value() : 0);
}

void Playfield::resetSave() {
    writeSave(kNewGameLevel, kNewGameLives, kNewGameScore);
}

bool Playfield::hasSavedGame() const {
    // Looked at without creating the file: an empty file is what Continue makes of a missing
    // one, a new game rather than a game saved.
    const platform::FileRead file = platform::readFile(savePath(), kSaveBytes);
    int32_t savedLevel = 0, savedLives = 0, savedScore = 0;
    return !file.bytes.empty() && readSave(file, savedLevel, savedLives, savedScore);
}

void Playfield::loadGame() {
    newGame();
    int32_t savedLevel = 0, savedLives = 0, savedScore = 0;
    if (!readSave(readDataFile(savePath(), kSaveBytes), savedLevel, savedLives, savedScore)) return;
    // Lives above the most play allows are held there rather than refused: the level and score
    // reached are kept, and catching ExtraLife can never overflow the count.
    level_ = savedLevel;
    lives_ = savedLives > kMaxLives ? kMaxLives : savedLives;
    if (scoreCounter != nullptr) scoreCounter->setValue(savedScore);
    levelDisplay_->setValue(level_);
    livesDisplay_->setValue(lives_);
}
