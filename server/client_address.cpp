// Address parsing and ranges over 16-byte addresses.
#include "server/client_address.h"

#include "server/header_text.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include <cctype>
#include <cstring>

namespace {

constexpr int kAddressBits = 128;
constexpr int kMappedBits = 96;        // ::ffff:0:0/96 holds the IPv4 addresses
constexpr size_t kHouseholdBytes = 8;  // an IPv6 client counts by its /64

ClientAddress mapped(const in_addr& v4) {
    ClientAddress address;
    address.bytes[10] = address.bytes[11] = 0xFF;
    std::memcpy(address.bytes.data() + 12, &v4, 4);
    return address;
}

bool isMapped(const ClientAddress& address) {
    for (int i = 0; i < 10; ++i)
        if (address.bytes[static_cast<size_t>(i)] != 0) return false;
    return address.bytes[10] == 0xFF && address.bytes[11] == 0xFF;
}

}  // namespace

std::optional<ClientAddress> parseClientAddress(std::string_view text) {
    text = trim(text);
    if (text.size() >= 2 && text.front() == '[' && text.back() == ']')
        text = text.substr(1, text.size() - 2);
    if (text.empty() || text.size() >= INET6_ADDRSTRLEN) return std::nullopt;
    const std::string copy(text);
    in_addr v4{};
    if (::inet_pton(AF_INET, copy.c_str(), &v4) == 1) return mapped(v4);
    in6_addr v6{};
    if (::inet_pton(AF_INET6, copy.c_str(), &v6) != 1) return std::nullopt;
    ClientAddress address;
    std::memcpy(address.bytes.data(), &v6, sizeof v6);
    return address;
}

std::optional<ClientAddress> clientAddressOf(const sockaddr* address) {
    if (address == nullptr) return std::nullopt;
    if (address->sa_family == AF_INET)
        return mapped(reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
    if (address->sa_family != AF_INET6) return std::nullopt;
    ClientAddress client;
    std::memcpy(client.bytes.data(), &reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr,
                client.bytes.size());
    return client;
}

std::string clientKey(const ClientAddress& address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (isMapped(address)) {
        ::inet_ntop(AF_INET, address.bytes.data() + 12, text, sizeof text);
        return text;
    }
    in6_addr block{};
    std::memcpy(&block, address.bytes.data(), kHouseholdBytes);
    ::inet_ntop(AF_INET6, &block, text, sizeof text);
    return std::string(text) + "/64";
}

bool TrustedProxies::add(std::string_view range) {
    const size_t slash = range.find('/');
    const std::optional<ClientAddress> base = parseClientAddress(range.substr(0, slash));
    if (!base) return false;
    const bool v4 = isMapped(*base) && range.substr(0, slash).find(':') == std::string_view::npos;
    int bits = kAddressBits;
    if (slash != std::string_view::npos) {
        const std::string_view digits = range.substr(slash + 1);
        if (digits.empty() || digits.size() > 3) return false;
        bits = 0;
        for (const char c : digits) {
            if (c < '0' || c > '9') return false;
            bits = bits * 10 + (c - '0');
        }
        if (bits > (v4 ? kAddressBits - kMappedBits : kAddressBits)) return false;
        if (v4) bits += kMappedBits;
    }
    ranges.push_back({*base, bits});
    return true;
}

bool TrustedProxies::contains(const ClientAddress& address) const {
    for (const Range& range : ranges) {
        bool inside = true;
        for (int bit = 0; bit < range.bits && inside; ++bit) {
            const auto at = static_cast<size_t>(bit / 8);
            const int mask = 0x80 >> (bit % 8);
            inside = (address.bytes[at] & mask) == (range.base.bytes[at] & mask);
        }
        if (inside) return true;
    }
    return false;
}

ClientAddress requestClient(const ClientAddress& peer, const TrustedProxies& proxies,
                            const std::vector<HeaderField>& fields) {
    if (!proxies.contains(peer)) return peer;
    std::string_view forwardedFor, realIp;
    bool forwarded = false;
    for (const HeaderField& field : fields) {
        if (equalsIgnoringCase(field.name, "X-Forwarded-For")) {
            forwardedFor = field.value;
            forwarded = true;
        } else if (equalsIgnoringCase(field.name, "X-Real-IP")) {
            realIp = field.value;
        }
    }
    const size_t comma = forwardedFor.rfind(',');
    const std::optional<ClientAddress> named = parseClientAddress(
        forwarded ? forwardedFor.substr(comma == std::string_view::npos ? 0 : comma + 1) : realIp);
    return named.value_or(peer);
}
