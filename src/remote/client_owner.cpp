#include "remote/client_owner.h"

#include "panel/texts.h"
#include "remote/peer_owner.h"

#include <QHostAddress>
#include <QNetworkInterface>

namespace qlm::remote {

namespace {

Endpoint endpoint(const QHostAddress& address, quint16 port) {
    bool v4 = false;
    const quint32 ipv4 = address.toIPv4Address(&v4);
    if (v4) return ipv4_endpoint(ipv4, port);
    const Q_IPV6ADDR ipv6 = address.toIPv6Address();
    std::uint8_t bytes[16];
    for (int i = 0; i < 16; ++i)
        bytes[i] = ipv6[i];
    return ipv6_endpoint(bytes, port);
}

bool on_this_machine(const QHostAddress& address) {
    if (address.isLoopback()) return true;
    for (const QHostAddress& own : QNetworkInterface::allAddresses()) {
        if (address.isEqual(own, QHostAddress::TolerantConversion)) return true;
    }
    return false;
}

} // namespace

std::optional<std::string> foreign_client(const QTcpSocket& socket, const std::string& peer) {
    if (!on_this_machine(socket.peerAddress())) return std::nullopt;
    const PeerOwner owner = peer_owner(endpoint(socket.peerAddress(), socket.peerPort()),
                                       endpoint(socket.localAddress(), socket.localPort()));
    switch (owner.verdict) {
    case PeerOwner::same_user:
        return std::nullopt;
    case PeerOwner::other_user:
        return texts::remote_refused_other_user(peer);
    case PeerOwner::gone:
        return std::string(); // refused unlogged: nobody is there to hear it
    case PeerOwner::unknown:
        break;
    }
    return texts::remote_refused_unknown_user(peer, owner.why);
}

} // namespace qlm::remote
