// ProofKeeper: counts of bytes on their way in, each client's dropped when it reaches zero.
#include "server/proof_keeper.h"

#include <algorithm>

#include "record/sha256.h"

std::string ProofKeeper::idOf(const std::string& bytes) {
    return Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

ProofKeeper::Taken ProofKeeper::take(const std::string& client, size_t bytes) {
    std::lock_guard lock(mutex);
    size_t& mine = byClient[client];
    if (mine + bytes > limits.heldBytes) {
        if (mine == 0) byClient.erase(client);
        return Taken::ClientFull;
    }
    if (total + bytes > limits.arrivingBytes) {
        if (mine == 0) byClient.erase(client);
        return Taken::AllFull;
    }
    mine += bytes;
    total += bytes;
    return Taken::Yes;
}

void ProofKeeper::give(const std::string& client, size_t bytes) {
    std::lock_guard lock(mutex);
    const auto found = byClient.find(client);
    if (found == byClient.end()) return;
    const size_t given = std::min(bytes, found->second);
    found->second -= given;
    total -= given;
    if (found->second == 0) byClient.erase(found);
}

size_t ProofKeeper::arriving() {
    std::lock_guard lock(mutex);
    return total;
}
