// A level set: a level file in the game's own format (three levels of 16 rows by 11 cells, each
// cell a signed 32-bit little-endian code whose tens are the brick's kind and units its colour),
// named by its SHA-256. The game, the replay runner and the score server take only a set that
// passes checkLevelSet, so a set that plays is one every one of them plays alike.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace level_set {

inline constexpr int kLevels = 3;
inline constexpr int kRows = 16;
inline constexpr int kColumns = 11;
inline constexpr size_t kFileBytes = kLevels * kRows * kColumns * 4;  // 2112

// A cell the game draws and plays: 0 (empty), or a kind from 1 to 6 in a colour its picture
// sheet holds (0 to 9 for stone, metal and gem bricks; 0 to 2 for hidden, stable and fire ones).
bool knownCell(int32_t code);

// Empty when the bytes are a set the game can play through: exactly kFileBytes, every cell
// known, and on every level at least one brick that counts for clearing it (a stable brick does
// not). Otherwise the first fault found, in plain words.
std::string check(const std::vector<uint8_t>& bytes);

// The set's id: the SHA-256 of its bytes, 64 lowercase hex digits (as a record names its level
// file).
std::string idOf(const std::vector<uint8_t>& bytes);

// True for 64 lowercase hex digits, the form of an id.
bool validId(const std::string& id);

}  // namespace level_set
