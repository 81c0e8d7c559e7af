#pragma once
// What the program and easyd12-bridge say to each other over the bridge's stdin and stdout.
//
// Request: one call byte, then 16 bytes.   Reply: a 16-bit status (low byte first), then 16 bytes.
//
//   'H' hello  body: kHelloName, protocol version, 0   reply: 0, kHelloName, version, pointer bits
//   'W' write  body: the frame for WritePort1          reply: WritePort1's status, 16 zeros
//   'R' read   body: the buffer as the caller holds it reply: ReadPort1's status, the buffer
//   'I' info   body: 16 zeros                         reply: 0, then 1 (the library is the
//                                                     simulated instrument) or 0, 15 zeros
//
// Any other request gets kBadRequestStatus and zeros, and so does a hello of another protocol
// version: program and bridge of different versions refuse each other at the hello. The bridge
// exits when its input ends.
//
// Version 2 added 'I'.

#include "link/frame.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>

namespace qlm::bridge {

constexpr std::uint8_t kHello = 'H';
constexpr std::uint8_t kWrite = 'W';
constexpr std::uint8_t kRead = 'R';
constexpr std::uint8_t kInfo = 'I';

constexpr std::uint8_t kProtocolVersion = 2;
constexpr char kHelloName[] = "EasyD12-bridge"; // 14 bytes, then version and one more byte
constexpr std::size_t kHelloNameSize = sizeof kHelloName - 1;
static_assert(kHelloNameSize == 14);

constexpr std::int16_t kBadRequestStatus = -2;

constexpr std::size_t kRequestSize = 1 + kFrameSize;
constexpr std::size_t kReplySize = 2 + kFrameSize;
using Request = std::array<std::uint8_t, kRequestSize>;
using Reply = std::array<std::uint8_t, kReplySize>;

#ifdef _WIN32
constexpr const char* kBridgeFileName = "easyd12-bridge.exe";
#else
constexpr const char* kBridgeFileName = "easyd12-bridge";
#endif

inline Request make_request(std::uint8_t call, const Frame& body = {}) {
    Request request{};
    request[0] = call;
    std::copy(body.begin(), body.end(), request.begin() + 1);
    return request;
}

inline Frame request_body(const Request& request) {
    Frame body{};
    std::copy(request.begin() + 1, request.end(), body.begin());
    return body;
}

inline Reply make_reply(std::int16_t status, const Frame& body = {}) {
    Reply reply{};
    const auto bits = static_cast<std::uint16_t>(status);
    reply[0] = static_cast<std::uint8_t>(bits & 0xff);
    reply[1] = static_cast<std::uint8_t>(bits >> 8);
    std::copy(body.begin(), body.end(), reply.begin() + 2);
    return reply;
}

inline std::int16_t reply_status(const Reply& reply) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(reply[0] | (reply[1] << 8)));
}

inline Frame reply_body(const Reply& reply) {
    Frame body{};
    std::copy(reply.begin() + 2, reply.end(), body.begin());
    return body;
}

// Byte 15 of the hello body: 0 in a request, the bridge's pointer size in bits in its reply.
inline Frame hello_body(std::uint8_t last_byte) {
    Frame body{};
    std::memcpy(body.data(), kHelloName, kHelloNameSize);
    body[14] = kProtocolVersion;
    body[15] = last_byte;
    return body;
}

inline bool is_hello(const Frame& body) {
    return std::memcmp(body.data(), kHelloName, kHelloNameSize) == 0 &&
           body[14] == kProtocolVersion;
}

} // namespace qlm::bridge
