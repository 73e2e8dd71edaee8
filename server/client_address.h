// Client addresses: the peer of a connection, or the client a trusted proxy in front speaks
// for, and the key the per-client limits count by.
#pragma once
#include <sys/socket.h>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "server/request_head.h"

// An IPv4 or IPv6 address, IPv4 held as ::ffff:a.b.c.d so that one range check serves both.
struct ClientAddress {
    std::array<uint8_t, 16> bytes{};
    bool operator==(const ClientAddress&) const = default;
};

// A numeric IPv4 or IPv6 address ("192.0.2.7", "2001:db8::1", "[2001:db8::1]").
std::optional<ClientAddress> parseClientAddress(std::string_view text);
std::optional<ClientAddress> clientAddressOf(const sockaddr* address);

// What the limits count: an IPv4 address whole, an IPv6 address by its /64, the block one
// household or host is given, so that taking a new address from it is not a new client.
std::string clientKey(const ClientAddress& address);

// The proxies whose word on the client address is taken (--trusted-proxy).
class TrustedProxies {
  public:
    // ADDRESS or ADDRESS/BITS (IPv4 or IPv6); false when it is not one.
    bool add(std::string_view range);
    bool contains(const ClientAddress& address) const;
    bool empty() const { return ranges.empty(); }

  private:
    struct Range {
        ClientAddress base;
        int bits;
    };
    std::vector<Range> ranges;
};

// The client a request is from: for a trusted proxy's connection the last address of the last
// X-Forwarded-For line (the one that proxy added), or else its X-Real-IP; from anyone else,
// and when the proxy names no valid address, the connection's own peer.
ClientAddress requestClient(const ClientAddress& peer, const TrustedProxies& proxies,
                            const std::vector<HeaderField>& fields);
