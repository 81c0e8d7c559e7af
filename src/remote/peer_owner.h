#pragma once
// Whose program is at the other end of a connection made on this machine: the system's table
// of TCP sockets names the owner of the client's socket (its user on Linux, its process on
// Windows), which is compared with the user this program runs as.

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qlm::remote {

// An address (IPv4 as IPv4-mapped IPv6) and port.
struct Endpoint {
    std::array<std::uint8_t, 16> address{};
    std::uint16_t port = 0;
    bool operator==(const Endpoint&) const = default;
};

Endpoint ipv4_endpoint(std::uint32_t address, std::uint16_t port); // address in host order
Endpoint ipv6_endpoint(const std::uint8_t (&address)[16], std::uint16_t port);

struct PeerOwner {
    // gone: the client closed its end before it was looked at.
    enum Verdict { same_user, other_user, unknown, gone } verdict = unknown;
    std::string why; // for unknown and gone: what kept the owner from being found
};

// The owner of the socket at `client`, connected to `server` (this program's end).
PeerOwner peer_owner(const Endpoint& client, const Endpoint& server);

// One socket of a Linux /proc/net/tcp or /proc/net/tcp6 table.
struct TcpTableEntry {
    unsigned state = 0;
    unsigned long uid = 0;
    unsigned long long inode = 0; // 0: no process holds it (closed, or in TIME_WAIT)
};

// The entry of `table` whose local end is `local` and remote end `remote`; none when there is
// none or the text is not such a table. Lines it cannot read are passed over.
std::optional<TcpTableEntry> find_in_tcp_table(std::string_view table, const Endpoint& local,
                                               const Endpoint& remote);

// The verdict on an entry found (or not) for a server running as `own_uid`.
PeerOwner owner_by_uid(const std::optional<TcpTableEntry>& entry, unsigned long own_uid);

} // namespace qlm::remote
