// ScoreTable: loading and saving ScoreList.sav, inserting a new score, and the high-score screen.
#include "scores/score_table.h"

#include <algorithm>
#include <vector>

#include "assets/resource_ids.h"
#include "globals/globals.h"
#include "graphics/canvas.h"
#include "graphics/image.h"
#include "graphics/text_image.h"
#include "platform/files.h"
#include "platform/little_endian.h"
#include "scores/score_proofs.h"

namespace {

constexpr const char* kFileName = "ScoreList.sav";
constexpr const char* kProofsFileName = "ScoreProofs.dat";

// ScoreList.sav: the two switches, then 100 records of 32 bytes.
constexpr size_t kSwitchBytes = 2;
constexpr size_t kRecordSize = 32;
constexpr size_t kFileSize = kSwitchBytes + kRecordSize * ScoreTable::kEntryCount;  // 3202
constexpr size_t kPendingAt = 0;
constexpr size_t kNameAt = 2;  // byte 1 is reserved
constexpr size_t kScoreAt = 20;
// Bytes 24..31 of a record are reserved: written as 0, ignored on reading.

constexpr char16_t kDefaultName[] = u"MERVAN";
constexpr uint32_t kDefaultTopScore = 10000;
constexpr uint32_t kDefaultScoreStep = 100;

constexpr uint32_t kTextColour = 0xFFFFFF;  // white
constexpr int kTextMaxWidth = 176;

// Screen layout: row k of the visible window is drawn at y = 38 + 12 * k.
constexpr int kFirstRowY = 38;
constexpr int kRowPitch = 12;
constexpr int kRankX = 32;
constexpr int kNameX = 64;
constexpr int kScoreX = 128;

void setName(ScoreEntry& entry, const std::u16string& name) {
    size_t length = 0;
    while (length < name.size() && length < ScoreTable::kMaxNameLength && name[length] != 0)
        ++length;
    // Never keep half of a surrogate pair when a name is cut.
    if (length > 0 && length < name.size() && name[length - 1] >= 0xD800 &&
        name[length - 1] <= 0xDBFF)
        --length;
    for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
        entry.name[u] = static_cast<size_t>(u) < length ? name[u] : 0;
}

void setDefault(ScoreEntry& entry, int index) {
    entry.pending = 0;
    setName(entry, kDefaultName);
    entry.score = kDefaultTopScore - kDefaultScoreStep * static_cast<uint32_t>(index);
}

std::u16string nameOf(const ScoreEntry& entry) {
    std::u16string name;
    for (int u = 0; u < ScoreEntry::kNameUnits && entry.name[u] != 0; ++u)
        name.push_back(entry.name[u]);
    return name;
}

std::u16string decimal(uint32_t value) {
    const std::string digits = std::to_string(value);
    return std::u16string(digits.begin(), digits.end());
}

}  // namespace

ScoreTable::ScoreTable() {
    background_ = new Image(instanceHandle, resource::kHighScores);
    path_ = writableDirectory() + kFileName;
    proofsPath_ = writableDirectory() + kProofsFileName;
    for (auto& entry : entries_) entry = new ScoreEntry;
    load();
}

ScoreTable::~ScoreTable() {
    for (ScoreEntry* entry : entries_)
        if (entry != nullptr) deleteEntryTexts(*entry);
    save();
    for (ScoreEntry*& entry : entries_) {
        delete entry;
        entry = nullptr;
    }
    for (TextImage*& text : rankTexts_) {
        delete text;
        text = nullptr;
    }
    delete background_;
}

void ScoreTable::reload() {
    ScoreEntry before[kEntryCount];
    for (int i = 0; i < kEntryCount; ++i) {
        std::copy(entries_[i]->name, entries_[i]->name + ScoreEntry::kNameUnits, before[i].name);
        before[i].score = entries_[i]->score;
        entries_[i]->uploadId = 0;
    }
    top_ = 0;
    readFailed_ = false;
    load();
    for (int i = 0; i < kEntryCount; ++i) {
        const ScoreEntry& now = *entries_[i];
        if (now.score != before[i].score ||
            !std::equal(now.name, now.name + ScoreEntry::kNameUnits, before[i].name))
            deleteEntryTexts(*entries_[i]);
    }
}

// A missing file reads as an empty one, so a first start and a deleted file behave alike: the
// default list with music off and sound effects on. A file that is there but cannot be read gives
// the default list and leaves the switches as they are.
void ScoreTable::load() {
    // Up to the first kFileSize bytes; a longer file's tail is never read. Anything but a
    // regular file in its place (a directory, a FIFO, a device) cannot be read.
    const platform::FileRead file = platform::readFile(path_, kFileSize);
    if (file.result == platform::FileRead::Failed) {
        readFailed_ = true;
        for (int i = 0; i < kEntryCount; ++i) setDefault(*entries_[i], i);
        return;
    }
    const std::vector<uint8_t>& bytes = file.bytes;
    musicOn = bytes.size() >= 1 ? bytes[0] != 0 : false;
    soundOn = bytes.size() >= 2 ? bytes[1] != 0 : true;
    for (int i = 0; i < kEntryCount; ++i) {
        ScoreEntry& entry = *entries_[i];
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
        setName(entry, nameOf(entry));
        entry.score = le::read32(record + kScoreAt);
    }
    knownFile_ = fileBytes();
    const platform::FileRead proofs =
        platform::readFile(proofsPath_, score_proofs::kMaxFileBytes, platform::Longer::Refused);
    score_proofs::attach(proofs.bytes, entries_, kEntryCount);
    knownProofs_ = proofs.bytes;
}

// Written to a temporary file and renamed over the old one, so a failed write leaves the old
// file complete. A file that exists but could not be read is left alone: writing the defaults
// over it would lose every score it holds.
void ScoreTable::save() const {
    if (readFailed_) return;
    std::vector<uint8_t> bytes = fileBytes();
    if (platform::writeFileAtomically(path_, bytes.data(), bytes.size()))
        knownFile_ = std::move(bytes);
    saveProofs();
}

// Only when they changed, so a table that never held a proof never makes the file.
void ScoreTable::saveProofs() const {
    std::vector<uint8_t> bytes = score_proofs::encode(entries_, kEntryCount);
    if (bytes != knownProofs_ &&
        platform::writeFileAtomically(proofsPath_, bytes.data(), bytes.size()))
        knownProofs_ = std::move(bytes);
}

void ScoreTable::saveIfChanged() const {
    if (fileBytes() != knownFile_)
        save();
    else if (!readFailed_)
        saveProofs();
}

std::vector<uint8_t> ScoreTable::fileBytes() const {
    std::vector<uint8_t> bytes(kFileSize, 0);
    bytes[0] = musicOn ? 1 : 0;
    bytes[1] = soundOn ? 1 : 0;
    for (int i = 0; i < kEntryCount; ++i) {
        const ScoreEntry& entry = *entries_[i];
        uint8_t* record = bytes.data() + kSwitchBytes + kRecordSize * static_cast<size_t>(i);
        record[kPendingAt] = entry.pending;
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
            le::write16(record + kNameAt + 2 * u, entry.name[u]);
        le::write32(record + kScoreAt, entry.score);
    }
    return bytes;
}

const ScoreEntry& ScoreTable::entry(int index) const {
    makeTexts(index);
    return *entries_[index];
}

const TextImage* ScoreTable::rankText(int index) const {
    makeTexts(index);
    return rankTexts_[index];
}

void ScoreTable::makeTexts(int index) const {
    if (rankTexts_[index] == nullptr)
        rankTexts_[index] =
            new TextImage(decimal(static_cast<uint32_t>(index) + 1), kTextColour, kTextMaxWidth);
    ScoreEntry& entry = *entries_[index];
    if (entry.nameText == nullptr)
        entry.nameText = new TextImage(nameOf(entry), kTextColour, kTextMaxWidth);
    if (entry.scoreText == nullptr)
        entry.scoreText =
            new TextImage(entry.score == 0 ? std::u16string(u" ") : decimal(entry.score),
                          kTextColour, kTextMaxWidth);
}

void ScoreTable::deleteEntryTexts(ScoreEntry& entry) {
    delete entry.nameText;
    entry.nameText = nullptr;
    delete entry.scoreText;
    entry.scoreText = nullptr;
}

int ScoreTable::insert(const std::u16string& name, uint32_t score, std::string proof) {
    if (score == 0 || name.empty() || name[0] == 0 || score <= entries_[kEntryCount - 1]->score)
        return -1;
    int i = kEntryCount - 1;
    ScoreEntry* fresh = entries_[i];
    deleteEntryTexts(*fresh);
    fresh->pending = 1;
    fresh->uploadId = 0;
    fresh->proof = std::move(proof);
    setName(*fresh, name);
    fresh->score = score;
    // An older entry with an equal score stays above the new one.
    while (i > 0 && entries_[i - 1]->score < score) {
        entries_[i] = entries_[i - 1];
        entries_[i - 1] = fresh;
        --i;
    }
    return i;
}

void ScoreTable::draw(Canvas* canvas) const {
    canvas->drawImage(0, 0, 0, 0, background_, 0, 0, NO_KEY);
    for (int k = 0; k < kVisibleRows; ++k) {
        const int r = top_ + k;
        const Fixed y = px(kFirstRowY + kRowPitch * k);
        makeTexts(r);
        canvas->drawText(px(kRankX), y, rankTexts_[r]);
        canvas->drawText(px(kNameX), y, entries_[r]->nameText);
        canvas->drawText(px(kScoreX), y, entries_[r]->scoreText);
    }
}

void ScoreTable::scrollUp() {
    if (top_ > 0) --top_;
}

void ScoreTable::scrollDown() {
    if (top_ < kMaxTop) ++top_;
}

void ScoreTable::scrollToEntry(int index) {
    if (index < 0 || index >= kEntryCount) return;
    const int wanted = index - (kVisibleRows / 2 - 1);  // five rows above it where there are
    top_ = wanted < 0 ? 0 : wanted > kMaxTop ? kMaxTop : wanted;
}

uint32_t ScoreTable::lowestScore() const {
    return entries_[kEntryCount - 1]->score;
}
