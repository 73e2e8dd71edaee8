// ProofKeeper: a map of records and the order they came in, trimmed to its bounds.
#include "server/proof_keeper.h"

#include "record/sha256.h"

std::string ProofKeeper::idOf(const std::string& bytes) {
    return Sha256::hex(Sha256::of(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

std::string ProofKeeper::keep(std::string record) {
    std::string id = idOf(record);
    const Clock::time_point now = Clock::now();
    std::lock_guard lock(mutex);
    dropOld(now);
    const uint64_t number = ++sendings;
    auto found = held.find(id);
    if (found != held.end()) {
        found->second.sending = number;  // sent again: kept from now
    } else {
        bytes += record.size();
        held[id] = {std::make_shared<const std::string>(std::move(record)), number};
    }
    order.push_back({now, number, id});
    while (!order.empty() && (held.size() > limits.heldCount || bytes > limits.heldBytes))
        dropOldest();
    return id;
}

ProofKeeper::Bytes ProofKeeper::find(const std::string& id) {
    std::lock_guard lock(mutex);
    dropOld(Clock::now());
    auto found = held.find(id);
    return found == held.end() ? nullptr : found->second.bytes;
}

size_t ProofKeeper::heldBytes() {
    std::lock_guard lock(mutex);
    return bytes;
}

// Entries of `order` whose record was sent again later are skipped: only the newest counts.
void ProofKeeper::dropOld(Clock::time_point now) {
    const auto age = std::chrono::seconds(limits.keepSeconds);
    while (!order.empty() && now - order.front().at > age) dropOldest();
}

void ProofKeeper::dropOldest() {
    auto oldest = held.find(order.front().id);
    if (oldest != held.end() && oldest->second.sending == order.front().number) {
        bytes -= oldest->second.bytes->size();
        held.erase(oldest);
    }
    order.pop_front();
}
