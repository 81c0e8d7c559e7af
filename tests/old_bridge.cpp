// A stand-in for an easyd12-bridge of protocol 1, as shipped before the info request: it
// greets only a hello of version 1 and refuses everything else, as that bridge did.
#include "link/bridge_protocol.h"

#include <cstdio>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

using namespace qlm;

int main() {
#ifdef _WIN32
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#endif
    bridge::Request request{};
    while (std::fread(request.data(), 1, request.size(), stdin) == request.size()) {
        Frame body = bridge::request_body(request);
        bridge::Reply reply = bridge::make_reply(bridge::kBadRequestStatus);
        if (request[0] == bridge::kHello && body[14] == 1) {
            body[15] = static_cast<std::uint8_t>(sizeof(void*) * 8);
            reply = bridge::make_reply(0, body);
        }
        std::fwrite(reply.data(), 1, reply.size(), stdout);
        std::fflush(stdout);
    }
    return 0;
}
