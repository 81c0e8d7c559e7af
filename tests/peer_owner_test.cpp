// Who owns the other end of a local connection: the system's socket table read for the
// client's socket (its ends reversed from the server's), and the verdict on what it says.
#include "remote/peer_owner.h"

#include <gtest/gtest.h>

#include <string>

#ifdef __linux__
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

using namespace qlm::remote;

namespace {

const char* verdict(const PeerOwner& owner) {
    switch (owner.verdict) {
    case PeerOwner::same_user:
        return "same";
    case PeerOwner::other_user:
        return "other";
    case PeerOwner::gone:
        return "gone";
    case PeerOwner::unknown:
        break;
    }
    return owner.why.empty() ? "unknown without a reason" : "unknown";
}

constexpr std::uint32_t kLoopback = 0x7f000001;
const std::uint8_t kIpv6Loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};

// As a little-endian kernel prints them: the server at 127.0.0.1:5029 ([::1]:5029), its
// own socket, then clients at ports 41668 to 41671.
const std::string kTable =
    "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  "
    "timeout inode\n"
    "   0: 0100007F:13A5 00000000:0000 0A 00000000:00000000 00:00000000 00000000     0        "
    "0 4000 1 0000000000000000 100 0 0 10 0\n"
    "   1: 0100007F:13A5 0100007F:A2C4 01 00000000:00000000 00:00000000 00000000     0        "
    "0 4001 1 0000000000000000 20 4 30 10 -1\n"
    "   2: 0100007F:A2C4 0100007F:13A5 01 00000000:00000000 00:00000000 00000000  1000        "
    "0 4002 1 0000000000000000 20 4 30 10 -1\n"
    "   3: 0100007F:A2C5 0100007F:13A5 05 00000000:00000000 03:00001770 00000000     0        "
    "0 0 3 0000000000000000\n"
    "   4: 0100007F:A2C6 0100007F:13A5 04 00000007:00000000 01:00000014 00000000  1000        "
    "0 0 2 0000000000000000 20 4 0 10 -1\n"
    "   5: 0100007F:A2C7 0100007F:13A5 01 garbage\n"
    "   6: 00000000000000000000000001000000:A2C4 00000000000000000000000001000000:13A5 01 "
    "00000000:00000000 00:00000000 00000000  1000        0 4006 1\n"
    "   7: 0000000000000000FFFF00000100007F:A2C8 0000000000000000FFFF00000100007F:13A5 01 "
    "00000000:00000000 00:00000000 00000000    65534        0 4007 1\n";

TEST(PeerOwner, TheClientsSocketInTheTableGivesItsUser) {
    const Endpoint server = ipv4_endpoint(kLoopback, 5029);
    const Endpoint server6 = ipv6_endpoint(kIpv6Loopback, 5029);
    const auto client = [](std::uint16_t port) { return ipv4_endpoint(kLoopback, port); };
    const struct {
        const char* name;
        Endpoint client, server;
        unsigned long own_uid;
        const char* expected;
    } cases[] = {
        {"a client of this user", client(41668), server, 1000, "same"},
        {"a client of another user", client(41668), server, 0, "other"},
        // TIME_WAIT names no user: never taken for root's.
        {"a client that closed, root", client(41669), server, 0, "gone"},
        {"a client that closed, user", client(41669), server, 1000, "gone"},
        {"closed, still sending", client(41670), server, 1000, "same"},
        {"a line that cannot be read", client(41671), server, 0, "gone"},
        {"not there", client(41000), server, 0, "gone"},
        {"another server port", client(41668), ipv4_endpoint(kLoopback, 5030), 1000, "gone"},
        {"over IPv6", ipv6_endpoint(kIpv6Loopback, 41668), server6, 1000, "same"},
        {"IPv4-mapped in the IPv6 table", client(41672), server, 1000, "other"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(
            verdict(owner_by_uid(find_in_tcp_table(kTable, c.client, c.server), c.own_uid)),
            c.expected)
            << c.name;
    }
    // The server's own socket (the same ends, reversed) is never the client's.
    EXPECT_EQ(find_in_tcp_table(kTable, server, ipv4_endpoint(kLoopback, 41668))->inode, 4001u);
}

#ifdef __linux__
// A connection of this test's own: the system's table says it is this user's.
TEST(PeerOwner, ALoopbackClientOfThisProcessIsThisUsers) {
    const int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(kLoopback);
    socklen_t size = sizeof address;
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), size), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    const int client = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_EQ(connect(client, reinterpret_cast<sockaddr*>(&address), size), 0);
    sockaddr_in client_address{};
    getsockname(client, reinterpret_cast<sockaddr*>(&client_address), &size);
    EXPECT_STREQ(verdict(peer_owner(ipv4_endpoint(kLoopback, ntohs(client_address.sin_port)),
                                    ipv4_endpoint(kLoopback, ntohs(address.sin_port)))),
                 "same");
    close(client);
    close(listener);
}
#endif

} // namespace
