// The replay runner's record modes: --verify (judge a record, one line out) and --proof (play
// one back with the trace and shots).
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "record/record_codec.h"  // kDefaultMaxSteps

// Exit statuses of --verify and --proof beside entry.h's.
inline constexpr int kExitRefused = 3;
inline constexpr int kExitUnproven = 4;

// Plays the record at `path` made on `levels` (default: the program directory's BrickMap.dat)
// in `scratch` (an empty directory its caller made and removes) or else a directory of its
// own, and prints "proven SCORE KEY", "refused REASON" or "unproven REASON".
int verifyRecord(const std::string& path, const std::optional<std::string>& levels,
                 uint64_t maxSteps, const std::optional<std::string>& scratch = std::nullopt);
// Plays the record at `path` in the program directory, 11 ms of virtual time a tick, the
// script's shots taken as their millisecond passes; prints the same line as verifyRecord.
int playProof(const std::string& path, uint64_t maxSteps);
