// ScoreTable: the rows in order, a new score inserted and the server's list merged in.
#include "scores/score_table.h"

#include <algorithm>
#include <vector>

#include "scores/score_exchange.h"
#include "scores/score_list.h"

namespace {

// One row of the table to be: a local entry kept with its own texts, or a record of the list.
struct Candidate {
    uint32_t score;
    ScoreEntry* own;                // a local entry, or nullptr
    const ScoreListRecord* record;  // the list's record when `own` is nullptr
};

}  // namespace

ScoreTable::ScoreTable() {
    for (auto& entry : entries_) entry = new ScoreEntry;
    file_.load(entries_);
}

ScoreTable::~ScoreTable() {
    for (ScoreEntry* entry : entries_)
        if (entry != nullptr) dropEntryTexts(*entry);
    save();
    for (ScoreEntry*& entry : entries_) {
        delete entry;
        entry = nullptr;
    }
}

void ScoreTable::reload() {
    ScoreEntry before[kEntryCount];
    for (int i = 0; i < kEntryCount; ++i) {
        std::copy(entries_[i]->name, entries_[i]->name + ScoreEntry::kNameUnits, before[i].name);
        before[i].score = entries_[i]->score;
        entries_[i]->uploadId = 0;
    }
    screen_.scrollToTop();
    file_.load(entries_);
    for (int i = 0; i < kEntryCount; ++i) {
        const ScoreEntry& now = *entries_[i];
        if (now.score != before[i].score ||
            !std::equal(now.name, now.name + ScoreEntry::kNameUnits, before[i].name))
            dropEntryTexts(*entries_[i]);
    }
}

const ScoreEntry& ScoreTable::entry(int index) const {
    screen_.makeTexts(*entries_[index], index);
    return *entries_[index];
}

const TextImage* ScoreTable::rankText(int index) const {
    screen_.makeTexts(*entries_[index], index);
    return screen_.rankText(index);
}

void ScoreTable::synchronize() {
    exchangeScores(*this);
}

int ScoreTable::insert(const std::u16string& name, uint32_t score, std::string proof) {
    if (score == 0 || name.empty() || name[0] == 0 || score <= entries_[kEntryCount - 1]->score)
        return -1;
    int i = kEntryCount - 1;
    ScoreEntry* fresh = entries_[i];
    dropEntryTexts(*fresh);
    fresh->pending = 1;
    fresh->uploadId = 0;
    fresh->proof = std::move(proof);
    setEntryName(*fresh, name);
    fresh->score = score;
    // An older entry with an equal score stays above the new one.
    while (i > 0 && entries_[i - 1]->score < score) {
        entries_[i] = entries_[i - 1];
        entries_[i - 1] = fresh;
        --i;
    }
    return i;
}

uint32_t ScoreTable::lowestScore() const {
    return entries_[kEntryCount - 1]->score;
}

// The server's list and the local table become one table, highest score first:
// - a local entry that the list holds (the same name and score) is that record, no longer
//   pending, and shows once whatever the list's length;
// - a list shorter than the table is everything the server holds, so every local entry it
//   does not hold stays (the entries made here before, and the scores not yet sent or never
//   taken);
// - a full list is the server's best scores: it replaces every local entry but the pending
//   ones it does not hold, which enter it where their scores place them;
// - among equal scores the list's records come first, then the local entries in their order;
//   the first 100 are the table.
// The table file keeps what it always held; an entry that keeps its place keeps its texts.
void ScoreTable::takeList(const std::vector<ScoreListRecord>& records) {
    const bool full = records.size() >= static_cast<size_t>(kEntryCount);
    auto heldByList = [&](const ScoreEntry& entry) {
        for (const ScoreListRecord& record : records)
            if (record.score == entry.score && record.name == std::u16string(entry.name))
                return true;
        return false;
    };
    std::vector<Candidate> candidates;
    for (const ScoreListRecord& record : records)
        candidates.push_back({record.score, nullptr, &record});
    for (ScoreEntry* entry : entries_) {
        if (heldByList(*entry) || (full && entry->pending == 0)) continue;
        candidates.push_back({entry->score, entry, nullptr});
    }
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Candidate& a, const Candidate& b) { return a.score > b.score; });
    // Fewer than 100 only where the table held one score more than once (the list holds it
    // once): the rows left over are empty, as no score at all.
    candidates.resize(kEntryCount, Candidate{0, nullptr, nullptr});

    // The records take the entries that are no longer in the table, texts and all.
    std::vector<ScoreEntry*> spare(entries_, entries_ + kEntryCount);
    for (const Candidate& c : candidates)
        if (c.own != nullptr) spare.erase(std::find(spare.begin(), spare.end(), c.own));
    for (int i = 0; i < kEntryCount; ++i) {
        const Candidate& c = candidates[static_cast<size_t>(i)];
        if (c.own != nullptr) {
            entries_[i] = c.own;
            continue;
        }
        ScoreEntry* entry = spare.back();
        spare.pop_back();
        static const ScoreListRecord kNoScore;
        const ScoreListRecord& record = c.record != nullptr ? *c.record : kNoScore;
        if (entry->score != record.score || std::u16string(entry->name) != record.name)
            dropEntryTexts(*entry);
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
            entry->name[u] = static_cast<size_t>(u) < record.name.size() ? record.name[u] : 0;
        entry->score = record.score;
        entry->pending = 0;
        entry->uploadId = 0;
        entry->proof.clear();
        entries_[i] = entry;
    }
}
