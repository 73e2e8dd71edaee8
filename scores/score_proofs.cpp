// ScoreProofs: writing and reading ScoreProofs.dat, trusting none of its lengths.
#include "scores/score_proofs.h"

#include <algorithm>
#include <cstring>

#include "platform/little_endian.h"

namespace score_proofs {
namespace {
constexpr char kMagic[4] = {'V', '2', 'S', 'P'};
constexpr size_t kNameBytes = 2 * ScoreEntry::kNameUnits;
constexpr size_t kHeadBytes = kNameBytes + 4 + 4;

struct Proof {
    char16_t name[ScoreEntry::kNameUnits];
    uint32_t score;
    std::string bytes;
};
}  // namespace

std::vector<uint8_t> encode(ScoreEntry* const* entries, int count) {
    std::vector<uint8_t> file;
    for (int i = 0; i < count; ++i) {
        const ScoreEntry& entry = *entries[i];
        if (entry.pending == 0 || entry.proof.empty()) continue;
        if (file.empty()) file.assign(kMagic, kMagic + 4);
        uint8_t head[kHeadBytes];
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u) le::write16(head + 2 * u, entry.name[u]);
        le::write32(head + kNameBytes, entry.score);
        le::write32(head + kNameBytes + 4, static_cast<uint32_t>(entry.proof.size()));
        file.insert(file.end(), head, head + kHeadBytes);
        file.insert(file.end(), entry.proof.begin(), entry.proof.end());
    }
    return file;
}

void attach(const std::vector<uint8_t>& file, ScoreEntry* const* entries, int count) {
    for (int i = 0; i < count; ++i) entries[i]->proof.clear();
    if (file.size() < 4 || std::memcmp(file.data(), kMagic, 4) != 0) return;
    std::vector<Proof> proofs;
    for (size_t at = 4; at < file.size();) {
        if (file.size() - at < kHeadBytes) return;
        Proof proof;
        for (int u = 0; u < ScoreEntry::kNameUnits; ++u)
            proof.name[u] = static_cast<char16_t>(le::read16(file.data() + at + 2 * u));
        proof.score = le::read32(file.data() + at + kNameBytes);
        const size_t length = le::read32(file.data() + at + kNameBytes + 4);
        at += kHeadBytes;
        if (length == 0 || length > kMaxProofBytes || length > file.size() - at) return;
        proof.bytes.assign(reinterpret_cast<const char*>(file.data() + at), length);
        at += length;
        proofs.push_back(std::move(proof));
    }
    for (Proof& proof : proofs) {
        for (int i = 0; i < count; ++i) {
            ScoreEntry& entry = *entries[i];
            if (entry.pending == 0 || !entry.proof.empty() || entry.score != proof.score ||
                !std::equal(entry.name, entry.name + ScoreEntry::kNameUnits, proof.name))
                continue;
            entry.proof = std::move(proof.bytes);
            break;
        }
    }
}

}  // namespace score_proofs
