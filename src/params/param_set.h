#pragma once
// The instrument's parameter set: ten fields held as the exact texts the display shows,
// without units. Field order is the settings file's order.

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace qlm {

enum class Field : std::uint8_t {
    mode,
    gain,
    voltage,
    trigger,
    prf,
    lpf,
    pw,
    hpf_unit,
    probe_freq,
    damping,
};

constexpr std::size_t kFieldCount = 10;
constexpr std::array<Field, kFieldCount> kAllFields{
    Field::mode, Field::gain,     Field::voltage,    Field::trigger, Field::prf,
    Field::lpf,  Field::pw,       Field::hpf_unit,   Field::probe_freq, Field::damping,
};

struct FieldInfo {
    const char* name;           // as in the code: "mode", "hpf_unit", ...
    const char* value_label;    // the display label that shows the text
    const char* emphasis_label; // the label show_emphasis marks; null for probe_freq
    const char* initial;        // text before start-up fills it
    std::optional<std::uint8_t> code; // command code; none for probe_freq
};

const FieldInfo& info(Field field);

struct param_set {
    std::string mode = "单";
    std::string gain = "0";
    std::string voltage = "100";
    std::string trigger = "内部";
    std::string prf = "1000";
    std::string lpf = "10";
    std::string pw = "200";
    std::string hpf_unit = "MHz";
    std::string probe_freq = "5.0";
    std::string damping = "50";

    std::string& operator[](Field field);
    const std::string& operator[](Field field) const;

    std::array<std::string, kFieldCount> texts() const;
    static param_set from_texts(const std::array<std::string, kFieldCount>& texts);

    bool operator==(const param_set&) const = default;
};

} // namespace qlm
