#pragma once
// The simulated instrument: the instrument's side of the protocol behind the UsbDriver seam.
// It keeps the ten settings bytes of the answer, takes a data frame only right after a
// write-announce frame, answers reads after a read request, and counts what it refuses.

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
    explicit SimInstrument(Settings settings = kDefaultSettings) : settings_(settings) {}

    std::int16_t write(const Frame& frame) override;
    std::int16_t read(Frame& buffer) override;
    bool is_simulator() override { return true; }

    // The raw entry points of the library, with their length argument.
    std::int16_t write_port(std::uint8_t* buffer, std::int32_t length);
    std::int16_t read_port(std::uint8_t* buffer, std::int32_t length);

    Faults faults;
    // Runs after every call, with what the call did.
    std::function<void(const Call&)> on_call;

    const Settings& settings() const { return settings_; }
    void set_settings(const Settings& settings) { settings_ = settings; }

    // Keeps the settings in `file`, shared with every instrument, in this process or another,
    // that uses the same file: read before each call, replaced after each applied data frame
    // (a data frame the file cannot take is refused). The pending write-announce and read
    // request stay this instrument's own, as do the faults and the counts.
    void keep_settings_in(std::unique_ptr<StateFile> file);

    // Wrong header or length, a data frame without its announce, an announce or request
    // while a data frame is due, an unknown frame type or code, a read without a request.
    int violations() const { return violations_; }
    // Values outside what the instrument takes (a gain byte over 110, a width of 7000, ...).
    int rejected_values() const { return rejected_values_; }
    // Every data frame applied, as (code, value 1, value 2), in arrival order.
    const std::vector<std::array<std::uint8_t, 3>>& applied() const { return applied_; }
    const std::vector<Call>& calls() const { return calls_; }

private:
    std::int16_t accept_write(const Frame& frame);
    std::int16_t accept_data(const Frame& frame);
    std::int16_t record(char direction, const Frame& frame, std::int16_t status);
    std::int16_t violation(char direction, const Frame& frame);
    void refresh();

    Settings settings_;
    std::unique_ptr<StateFile> file_;
    bool announced_ = false;
    bool requested_ = false;
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

} // namespace qlm::sim
