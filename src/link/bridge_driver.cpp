#include "link/bridge_driver.h"

#include <cstdio>

namespace qlm {

namespace {

using Clock = std::chrono::steady_clock;

std::chrono::milliseconds left(Clock::time_point deadline) {
    const auto rest =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return rest.count() > 0 ? rest : std::chrono::milliseconds(0);
}

// Sends `request` and reads its reply, both by `deadline`.
IoResult exchange(ChildProcess& process, const bridge::Request& request, bridge::Reply& reply,
                  Clock::time_point deadline) {
    const IoResult sent = process.write_all(request.data(), request.size(), left(deadline));
    if (sent != IoResult::ok) return sent;
    return process.read_exact(reply.data(), reply.size(), left(deadline));
}

} // namespace

BridgeDriver::BridgeDriver(BridgeOptions options, std::function<void(const std::string&)> complain)
    : options_(std::move(options)), complain_(std::move(complain)) {
    if (!complain_) {
        complain_ = [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); };
    }
}

BridgeDriver::~BridgeDriver() {
    process_.finish(std::chrono::milliseconds(500));
}

std::int16_t BridgeDriver::write(const Frame& frame) {
    Frame body = frame;
    return call(bridge::kWrite, body);
}

std::int16_t BridgeDriver::read(Frame& buffer) {
    return call(bridge::kRead, buffer);
}

bool BridgeDriver::is_simulator() {
    Frame body{};
    return call(bridge::kInfo, body) == 0 && body[0] == 1;
}

bool BridgeDriver::ensure_running() {
    if (process_.running()) return true;
    process_.kill(); // collects a bridge that ended between calls
    if (!process_.start(options_.program, options_.arguments)) {
        fail(options_.program + " cannot be started (" + process_.error() + ")");
        return false;
    }
    ++starts_;
    bridge::Reply reply{};
    const IoResult result =
        exchange(process_, bridge::make_request(bridge::kHello, bridge::hello_body(0)), reply,
                 Clock::now() + options_.start_timeout);
    if (result == IoResult::timed_out) {
        fail(options_.program + " did not answer its hello within " +
             std::to_string(options_.start_timeout.count()) + " ms");
        return false;
    }
    const Frame body = bridge::reply_body(reply);
    if (result == IoResult::ok && bridge::reply_status(reply) == bridge::kBadRequestStatus) {
        fail(options_.program + " is an EasyD12 bridge of another protocol version (this " +
             "program needs protocol " + std::to_string(bridge::kProtocolVersion) +
             "); use the bridge that came with the program");
        return false;
    }
    // A program that ends at once, or answers something else.
    if (result != IoResult::ok || bridge::reply_status(reply) != 0 || !bridge::is_hello(body)) {
        fail(options_.program + " is not the EasyD12 bridge of protocol " +
             std::to_string(bridge::kProtocolVersion));
        return false;
    }
    bridge_bits_ = body[15];
    return true;
}

std::int16_t BridgeDriver::call(std::uint8_t kind, Frame& body) {
    if (!ensure_running()) return kBridgeFailedStatus;
    bridge::Reply reply{};
    const IoResult result = exchange(process_, bridge::make_request(kind, body), reply,
                                     Clock::now() + options_.call_timeout);
    switch (result) {
    case IoResult::ok:
        break;
    case IoResult::timed_out:
        fail("no answer within " + std::to_string(options_.call_timeout.count()) +
             " ms, the bridge was stopped");
        return kBridgeFailedStatus;
    case IoResult::closed:
        fail("the bridge ended during a call");
        return kBridgeFailedStatus;
    case IoResult::failed:
        fail("talking to the bridge failed");
        return kBridgeFailedStatus;
    }
    last_failure_.clear();
    last_complaint_.clear();
    body = bridge::reply_body(reply);
    return bridge::reply_status(reply);
}

void BridgeDriver::fail(const std::string& why) {
    process_.kill();
    last_failure_ = why;
    if (why == last_complaint_) return; // said once until a call goes through
    last_complaint_ = why;
    complain_("EasyD12 bridge: " + why + "; the call failed, the next call starts a new bridge");
}

} // namespace qlm
