// Playfield: the saved game in AutoSave.dat (level, lives, score; 12 bytes, little-endian).
#include <cstdio>
#include <string>

#include "graphics/digit_font.h"
#include "platform/files.h"
#include "shell/globals.h"
#include "world/data_file.h"
#include "world/playfield.h"

namespace {

constexpr const char* kSaveFileName = "AutoSave.dat";
constexpr int kFieldBytes = 4;
constexpr int kSaveBytes = 3 * kFieldBytes;
constexpr int32_t kNewGameLevel = 1;
constexpr int32_t kNewGameLives = 3;
constexpr int32_t kNewGameScore = 0;
constexpr int32_t kLastLevel = 3;

std::string savePath() {
    return writableDirectory() + kSaveFileName;
}

void putField(uint8_t* out, int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    for (int i = 0; i < kFieldBytes; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

// Reads one 4-byte field over the value it already holds: the bytes that arrive replace the
// low-order bytes, so a field cut short keeps the rest of its previous value and a read that
// delivers nothing leaves the value as it was.
void readField(std::FILE* file, int32_t& value) {
    uint8_t bytes[kFieldBytes];
    putField(bytes, value);
    std::fread(bytes, 1, kFieldBytes, file);
    uint32_t bits = 0;
    for (int i = kFieldBytes - 1; i >= 0; --i) bits = (bits << 8) | bytes[i];
    value = static_cast<int32_t>(bits);
}

}  // namespace

void Playfield::writeSave(int32_t savedLevel, int32_t savedLives, int32_t savedScore) {
    uint8_t bytes[kSaveBytes];
    putField(bytes + 0, savedLevel);
    putField(bytes + 4, savedLives);
    putField(bytes + 8, savedScore);
    // Written to a temporary file and renamed over the old one, so a crash or a full disk
    // never leaves a half-written save. Failures are silent.
    platform::writeFileAtomically(savePath(), bytes, sizeof bytes);
}

void Playfield::saveGame() {
    writeSave(level_, lives, scoreCounter != nullptr ? scoreCounter->value() : 0);
}

void Playfield::resetSave() {
    writeSave(kNewGameLevel, kNewGameLives, kNewGameScore);
}

void Playfield::loadGame() {
    newGame();
    std::FILE* file = openDataFile(savePath());
    if (file == nullptr) return;
    int32_t savedLevel = kNewGameLevel;
    int32_t savedLives = kNewGameLives;
    int32_t savedScore = kNewGameScore;
    readField(file, savedLevel);
    readField(file, savedLives);
    readField(file, savedScore);
    std::fclose(file);
    // A level outside the table or lives that could never count down to zero cannot be
    // played: such a file counts as no save at all and the new game stands.
    // Lives above the most play allows are held there rather than refused: the level and score
    // reached are kept, and catching ExtraLife can never overflow the count.
    if (savedLevel < kNewGameLevel || savedLevel > kLastLevel || savedLives < 1) return;
    level_ = savedLevel;
    lives = savedLives > kMaxLives ? kMaxLives : savedLives;
    if (scoreCounter != nullptr) scoreCounter->setValue(savedScore);
    levelDisplay->setValue(level_);
    livesDisplay->setValue(lives);
}
