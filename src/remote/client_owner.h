#pragma once
// The owner check of a new connection: a client on this machine (over loopback, or from one of
// the machine's own addresses) must be a program of the user this program runs as.

#include <QTcpSocket>

#include <optional>
#include <string>

namespace qlm::remote {

// The log line refusing `socket` (its peer written `peer`; empty for a client already gone),
// or none when it is admitted. A client from another machine has no local owner and is left
// to the address rules.
std::optional<std::string> foreign_client(const QTcpSocket& socket, const std::string& peer);

} // namespace qlm::remote
