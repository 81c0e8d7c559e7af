#pragma once
// The simulated instrument: the instrument's side of the protocol behind the UsbDriver seam.
// It keeps the ten settings bytes of the answer, takes a data frame only right after a
// write-announce frame, answers reads after a read request, and counts what it refuses.
// Over a state file it is one instrument for every driver on the file, stricter than the real
// one: it knows which driver sent each frame, and refuses frames of one driver inside
// another's exchange where the real instrument would take them.

#include "link/frame.h"
#include "link/usb_driver.h"
#include "state_file.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace qlm::sim {

// Single, 0 dB, 100 V, internal, 1000 Hz, 10 MHz, 200 ns, 1 MHz, 50 ohm.
constexpr Settings kDefaultSettings{0, 50, 4, 0, 4, 0, 200, 0, 1, 1};

struct Faults {
    bool absent = false;  // every call fails
    bool data = false;    // data frames refused
    bool request = false; // read requests refused
    bool answer = false;  // reads fail
};

struct Call {
    char direction; // 'W' or 'R'
    Frame frame;    // as sent, or as answered
    std::int16_t status;
};

constexpr std::int16_t kOk = 0;
constexpr std::int16_t kFailed = -1;

class SimInstrument : public UsbDriver {
public:
    explicit SimInstrument(Settings settings = kDefaultSettings);
    SimInstrument(const SimInstrument&) = delete;
    SimInstrument& operator=(const SimInstrument&) = delete;
    // An exchange of its own left pending in the state file is dropped.
    ~SimInstrument() override;

    std::int16_t write(const Frame& frame) override;
    std::int16_t read(Frame& buffer) override;
    bool is_simulator() override { return true; }

    // The raw entry points of the library, with their length argument.
    std::int16_t write_port(std::uint8_t* buffer, std::int32_t length);
    std::int16_t read_port(std::uint8_t* buffer, std::int32_t length);

    Faults faults;
    // Runs after every call, with what the call did.
    std::function<void(const Call&)> on_call;
    // Runs after each applied data frame with (code, value 1, value 2); over a state file,
    // under its lock, so that the calls of all drivers come in the order of the changes.
    std::function<void(const std::array<std::uint8_t, 3>&)> on_apply;

    const Settings& settings() const { return state_.settings; }
    void set_settings(const Settings& settings) { state_.settings = settings; }
    // As built with `settings`: nothing pending, no faults, counts and traces cleared. For an
    // instrument without a state file.
    void reset(const Settings& settings = kDefaultSettings);

    // Keeps the instrument's state in `file`, shared with every instrument, in this process or
    // another, that uses the same file: the settings, the pending write-announce and read
    // request with the driver that sent each, and the count of violations, read and changed
    // under the file's lock at each call (a data frame the file cannot take is refused). A
    // pending exchange of a driver whose process has ended is dropped. While the file says the
    // instrument is unplugged or off, every call fails. The faults and this instrument's own
    // counts stay its own.
    void keep_settings_in(std::unique_ptr<StateFile> file);

    // This instrument as the state file names it.
    DriverId id() const;

    // Wrong header or length, a data frame without its announce, an announce or request
    // while a data frame is due, an unknown frame type or code, a read without a request;
    // over a state file also any frame or read of this driver while another driver's exchange
    // is pending (which that exchange does not survive), and a read of a request that another
    // driver's frame has ended.
    int violations() const { return violations_; }
    // Values outside what the instrument takes (a gain byte over 110, a width of 7000, ...).
    int rejected_values() const { return rejected_values_; }
    // Every data frame applied, as (code, value 1, value 2), in arrival order.
    const std::vector<std::array<std::uint8_t, 3>>& applied() const { return applied_; }
    const std::vector<Call>& calls() const { return calls_; }

private:
    // What a call did to the instrument.
    struct Outcome {
        std::int16_t status = kOk;
        bool violation = false;
        bool rejected = false;
        bool applies = false; // a settings change
        std::array<std::uint8_t, 3> change{};
    };
    Outcome take_write(SharedState& state, const Frame& frame, bool whole);
    Outcome take_data(SharedState& state, const Frame& frame);
    Outcome take_read(SharedState& state, bool whole);
    Outcome violation(SharedState& state);
    Outcome interfere(SharedState& state);
    void drop_others_ended(SharedState& state) const;
    bool mine(const std::optional<DriverId>& driver) const;
    bool busy_elsewhere(const SharedState& state) const;
    Outcome run(const std::function<Outcome(SharedState&)>& step);
    std::int16_t record(char direction, const Frame& frame, std::int16_t status);

    SharedState state_;
    std::unique_ptr<StateFile> file_;
    unsigned instance_;
    int violations_ = 0;
    int rejected_values_ = 0;
    std::vector<std::array<std::uint8_t, 3>> applied_;
    std::vector<Call> calls_;
};

// "0,50,4,..." -> settings; false when the text is not ten bytes.
bool parse_settings(const std::string& text, Settings& out);
// "absent,data" -> faults; false on an unknown word.
bool parse_faults(const std::string& text, Faults& out);
// One trace line: "W 0102...04 0".
std::string trace_line(const Call& call);
// One line of the applied log: code, value 1, value 2 and the driver, "8,3,0 4242.981.1".
std::string applied_line(const std::array<std::uint8_t, 3>& change, const DriverId& driver);

} // namespace qlm::sim
