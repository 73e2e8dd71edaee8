// The replay runner's record modes: reading the record, the checks before play, the verdict.
#include "tools/replay/proof_run.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "platform/files.h"
#include "platform/headless/headless.h"
#include "platform/window.h"
#include "record/record_check.h"
#include "record/record_codec.h"
#include "record/sha256.h"
#include "shell/entry.h"
#include "shell/pace.h"
#include "shell/record_player.h"

namespace {
constexpr size_t kMaxRecordBytes = 16u << 20;  // far beyond any record's goal
constexpr size_t kMaxLevelFileBytes = 1u << 20;

int verdict(const char* word, const std::string& text, int status) {
    std::cout << word << ' ' << text << '\n';
    return status;
}

bool readWhole(const std::string& path, size_t limit, std::vector<uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.clear();
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes.insert(bytes.end(), buffer, buffer + in.gcount());
        if (bytes.size() > limit) return false;
    }
    return !in.bad();
}

// The record's checks before play: its bytes, its rules version, its level file. On success
// `record` holds it, `loneTicks` what the step limit leaves for its lone ticks and `id` its digest
// (which names its scratch directory); otherwise the verdict's status is returned.
std::optional<int> readRecord(const std::string& path, const std::vector<uint8_t>& levelFile,
                              uint64_t maxSteps, GameRecord& record, uint64_t& loneTicks,
                              std::string& id) {
    std::vector<uint8_t> bytes;
    if (!readWhole(path, kMaxRecordBytes, bytes))
        return verdict("refused", "the record cannot be read or is too large", kExitRefused);
    CheckedRecord checked = checkRecord(bytes, levelFile, maxSteps);
    switch (checked.verdict) {
        case CheckedRecord::Verdict::Refused:
            return verdict("refused", checked.reason, kExitRefused);
        case CheckedRecord::Verdict::Unproven:
            return verdict("unproven", checked.reason, kExitUnproven);
        case CheckedRecord::Verdict::Playable:
            break;
    }
    record = std::move(*checked.record);
    loneTicks = checked.loneTicksAllowed;
    const std::vector<uint8_t> canonical = RecordCodec::encode(record);
    id = Sha256::hex(Sha256::of(canonical.data(), canonical.size()));
    return std::nullopt;
}

// The game's key, not the record's digest: two records that play the same game are one game.
int finish(const PlayedRecord& played) {
    if (!played.proven) return verdict("refused", played.reason, kExitRefused);
    return verdict("proven", std::to_string(played.score) + ' ' + played.key, kExitOk);
}
}  // namespace

int verifyRecord(const std::string& path, const std::optional<std::string>& levels,
                 uint64_t maxSteps, const std::optional<std::string>& scratch) {
    std::vector<uint8_t> levelFile;
    const std::string levelPath = levels ? *levels : platform::programDirectory() + "BrickMap.dat";
    if (!readWhole(levelPath, kMaxLevelFileBytes, levelFile)) {
        std::cerr << "vextorium2-replay: cannot read the level file " << levelPath << '\n';
        return kExitBadUsage;
    }
    GameRecord record;
    uint64_t loneTicks = 0;
    std::string id;
    if (auto status = readRecord(path, levelFile, maxSteps, record, loneTicks, id)) return *status;

    // The game plays in a directory of its own holding only the level file: nothing it writes
    // lands beside the runner, and no sound file is read (sounds change no outcome).
    // A caller that may kill the run (the score server, at its deadline) gives the directory,
    // and removes it once the run is over however it ended.
    namespace fs = std::filesystem;
    std::error_code error;
    fs::path dir =
        scratch ? fs::path(*scratch)
                : fs::temp_directory_path(error) /
                      ("vextorium2-verify-" + std::to_string(::getpid()) + "-" + id.substr(0, 16));
    if (!scratch && !error)
        fs::remove_all(dir, error);  // left by an earlier process of the same id
    if (scratch ? !fs::is_directory(dir, error) : error || !fs::create_directories(dir, error)) {
        std::cerr << "vextorium2-replay: cannot make a directory to play in\n";
        return kExitBadUsage;
    }
    {
        std::ofstream out(dir / "BrickMap.dat", std::ios::binary);
        out.write(reinterpret_cast<const char*>(levelFile.data()),
                  static_cast<std::streamsize>(levelFile.size()));
    }
    platform::setProgramDirectory(dir.string() + "/");
    platform::setDurableWrites(false);
    const PlayedRecord played = RecordPlayer().play(record, loneTicks);
    if (!scratch) fs::remove_all(dir, error);
    return finish(played);
}

int playProof(const std::string& path, uint64_t maxSteps) {
    std::vector<uint8_t> levelFile;
    readWhole(platform::levelFilePath(), kMaxLevelFileBytes, levelFile);
    GameRecord record;
    uint64_t loneTicks = 0;
    std::string id;
    if (auto status = readRecord(path, levelFile, maxSteps, record, loneTicks, id)) return *status;
    // The script's shots are taken as the clock passes them; its other events are dropped.
    RecordPlayer player([] {
        for (uint32_t ms = 0; ms < kMsPerTick; ++ms) {
            platform::Message message;
            while (platform::takeMessage(message)) {
            }
        }
    });
    return finish(player.play(record, loneTicks));
}
