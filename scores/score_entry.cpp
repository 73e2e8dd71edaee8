// ScoreEntry: a row's name as the table keeps it, and its texts let go.
#include "scores/score_entry.h"

#include "graphics/text_image.h"

void setEntryName(ScoreEntry& entry, const std::u16string& name) {
    size_t length = 0;
    while (length < name.size() && length < ScoreEntry::kMaxNameLength && name[length] != 0)
        ++length;
    // Never keep half of a surrogate pair when a name is cut.
    if (length > 0 && length < name.size() && name[length - 1] >= 0xD800 &&
        name[length - 1] <= 0xDBFF)
        --length;
    for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
        entry.name[u] = static_cast<size_t>(u) < length ? name[u] : 0;
}

std::u16string entryName(const ScoreEntry& entry) {
    std::u16string name;
    for (int u = 0; u < ScoreEntry::kNameUnits && entry.name[u] != 0; ++u)
        name.push_back(entry.name[u]);
    return name;
}

void dropEntryTexts(ScoreEntry& entry) {
    delete entry.nameText;
    entry.nameText = nullptr;
    delete entry.scoreText;
    entry.scoreText = nullptr;
}
