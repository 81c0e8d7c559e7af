// easyd12-bridge: loads the EasyD12 library from its own folder and serves its two calls (and
// whether it is the simulated instrument) over stdin and stdout (see link/bridge_protocol.h)
// until its input ends.
//
//   easyd12-bridge [--library FILE]   FILE: another library file name in the bridge's folder
//   easyd12-bridge --version

#include "link/bridge_protocol.h"
#include "link/easyd12.h"

#include <cstdio>
#include <string>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

using namespace qlm;

constexpr int kPointerBits = static_cast<int>(sizeof(void*) * 8);

// The replies go to the stdout we were started with. Whatever the library itself prints to
// stdout goes to stderr from here on, so it cannot get between the replies.
std::FILE* take_stdout() {
#ifdef _WIN32
    const int own = _dup(_fileno(stdout));
    _dup2(_fileno(stderr), _fileno(stdout));
    SetStdHandle(STD_OUTPUT_HANDLE, GetStdHandle(STD_ERROR_HANDLE));
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(own, _O_BINARY);
    return _fdopen(own, "wb");
#else
    const int own = ::dup(STDOUT_FILENO);
    ::dup2(STDERR_FILENO, STDOUT_FILENO);
    return ::fdopen(own, "wb");
#endif
}

bridge::Reply answer(const bridge::Request& request, UsbDriver& driver) {
    Frame body = bridge::request_body(request);
    switch (request[0]) {
    case bridge::kHello:
        if (!bridge::is_hello(body)) break;
        return bridge::make_reply(0, bridge::hello_body(static_cast<std::uint8_t>(kPointerBits)));
    case bridge::kWrite:
        return bridge::make_reply(driver.write(body));
    case bridge::kRead: {
        const std::int16_t status = driver.read(body);
        return bridge::make_reply(status, body);
    }
    case bridge::kInfo: {
        Frame info{};
        info[0] = driver.is_simulator() ? 1 : 0;
        return bridge::make_reply(0, info);
    }
    default:
        break;
    }
    return bridge::make_reply(bridge::kBadRequestStatus);
}

int serve(std::FILE* in, std::FILE* out, UsbDriver& driver) {
    for (;;) {
        bridge::Request request{};
        const std::size_t got = std::fread(request.data(), 1, request.size(), in);
        if (got == 0) return 0; // the program is done with us
        if (got != request.size()) {
            std::fprintf(stderr, "easyd12-bridge: input ended inside a request\n");
            return 2;
        }
        const bridge::Reply reply = answer(request, driver);
        if (std::fwrite(reply.data(), 1, reply.size(), out) != reply.size() ||
            std::fflush(out) != 0)
            return 3; // nobody reads the replies any more
    }
}

} // namespace

int main(int argc, char** argv) {
    LibraryLocation location;
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--library" && i + 1 < argc) {
            location.file_name = argv[++i];
        } else if (argument == "--version") {
            std::printf("easyd12-bridge, protocol %d, %d-bit\n", bridge::kProtocolVersion,
                        kPointerBits);
            return 0;
        } else {
            std::fprintf(stderr, "usage: easyd12-bridge [--library FILE] | --version\n");
            return 2;
        }
    }
    std::FILE* replies = take_stdout();
    if (!replies) {
        std::fprintf(stderr, "easyd12-bridge: no stdout to answer on\n");
        return 2;
    }
    EasyD12Driver driver(location); // loads at the first call, says on stderr when it cannot
    return serve(stdin, replies, driver);
}
