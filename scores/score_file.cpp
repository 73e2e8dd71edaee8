// ScoreFile: ScoreList.sav read and written field by field, and its proofs beside it.
#include "scores/score_file.h"

#include "globals/globals.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "scores/score_proofs.h"

namespace {

constexpr const char* kFileName = "ScoreList.sav";
constexpr const char* kProofsFileName = "ScoreProofs.dat";

// ScoreList.sav: the two switches, then 100 records of 32 bytes.
constexpr size_t kSwitchBytes = 2;
constexpr size_t kRecordSize = 32;
constexpr size_t kFileSize = kSwitchBytes + kRecordSize * kScoreEntryCount;  // 3202
constexpr size_t kPendingAt = 0;
constexpr size_t kNameAt = 2;  // byte 1 is reserved
constexpr size_t kScoreAt = 20;
// Bytes 24..31 of a record are reserved: written as 0, ignored on reading.

// The list a missing or unreadable file gives.
constexpr char16_t kDefaultName[] = u"MERVAN";
constexpr uint32_t kDefaultTopScore = 10000;
constexpr uint32_t kDefaultScoreStep = 100;

void setDefault(ScoreEntry& entry, int index) {
    entry.pending = 0;
    setEntryName(entry, kDefaultName);
    entry.score = kDefaultTopScore - kDefaultScoreStep * static_cast<uint32_t>(index);
}

}  // namespace

ScoreFile::ScoreFile()
    : path_(writableDirectory() + kFileName), proofsPath_(writableDirectory() + kProofsFileName) {}

// A missing file reads as an empty one, so a first start and a deleted file behave alike: the
// default list with music off and sound effects on. A file that is there but cannot be read gives
// the default list and leaves the switches as they are.
void ScoreFile::load(ScoreEntry* const* entries) {
    readFailed_ = false;
    // Up to the first kFileSize bytes; a longer file's tail is never read. Anything but a
    // regular file in its place (a directory, a FIFO, a device) cannot be read.
    const platform::FileRead file = platform::readFile(path_, kFileSize);
    if (file.result == platform::FileRead::Failed) {
        readFailed_ = true;
        for (int i = 0; i < kScoreEntryCount; ++i) setDefault(*entries[i], i);
        return;
    }
    const std::vector<uint8_t>& bytes = file.bytes;
    musicOn = bytes.size() >= 1 ? bytes[0] != 0 : false;
    soundOn = bytes.size() >= 2 ? bytes[1] != 0 : true;
    for (int i = 0; i < kScoreEntryCount; ++i) {
        ScoreEntry& entry = *entries[i];
        const size_t at = kSwitchBytes + kRecordSize * static_cast<size_t>(i);
        if (at + kRecordSize > bytes.size()) {
            setDefault(entry, i);
            continue;
        }
        const uint8_t* record = bytes.data() + at;
        entry.pending = record[kPendingAt];
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
            entry.name[u] = static_cast<char16_t>(le::read16(record + kNameAt + 2 * u));
        // A name is always terminated within its nine units, whatever the file holds, and
        // the units after the terminator are cleared.
        setEntryName(entry, entryName(entry));
        entry.score = le::read32(record + kScoreAt);
    }
    knownFile_ = bytesOf(entries);
    const platform::FileRead proofs =
        platform::readFile(proofsPath_, score_proofs::kMaxFileBytes, platform::Longer::Refused);
    score_proofs::attach(proofs.bytes, entries, kScoreEntryCount);
    knownProofs_ = proofs.bytes;
}

// Written to a temporary file and renamed over the old one, so a failed write leaves the old
// file complete. A file that exists but could not be read is left alone: writing the defaults
// over it would lose every score it holds.
void ScoreFile::save(ScoreEntry* const* entries) const {
    if (readFailed_) return;
    std::vector<uint8_t> bytes = bytesOf(entries);
    if (platform::writeFileAtomically(path_, bytes.data(), bytes.size()))
        knownFile_ = std::move(bytes);
    saveProofs(entries);
}

// Only when they changed, so a table that never held a proof never makes the file.
void ScoreFile::saveProofs(ScoreEntry* const* entries) const {
    std::vector<uint8_t> bytes = score_proofs::encode(entries, kScoreEntryCount);
    if (bytes != knownProofs_ &&
        platform::writeFileAtomically(proofsPath_, bytes.data(), bytes.size()))
        knownProofs_ = std::move(bytes);
}

void ScoreFile::saveIfChanged(ScoreEntry* const* entries) const {
    if (bytesOf(entries) != knownFile_)
        save(entries);
    else if (!readFailed_)
        saveProofs(entries);
}

std::vector<uint8_t> ScoreFile::bytesOf(ScoreEntry* const* entries) {
    std::vector<uint8_t> bytes(kFileSize, 0);
    bytes[0] = musicOn ? 1 : 0;
    bytes[1] = soundOn ? 1 : 0;
    for (int i = 0; i < kScoreEntryCount; ++i) {
        const ScoreEntry& entry = *entries[i];
        uint8_t* record = bytes.data() + kSwitchBytes + kRecordSize * static_cast<size_t>(i);
        record[kPendingAt] = entry.pending;
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
            le::write16(record + kNameAt + 2 * u, entry.name[u]);
        le::write32(record + kScoreAt, entry.score);
    }
    return bytes;
}
