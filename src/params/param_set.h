#pragma once
// The instrument's parameter set: ten fields held as the exact texts the display shows,
// without units. Field order is the settings file's order.

#include <array>
#include <cstdint>
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
    Field::mode, Field::gain, Field::voltage,  Field::trigger,    Field::prf,
    Field::lpf,  Field::pw,   Field::hpf_unit, Field::probe_freq, Field::damping,
};

using SettingsTexts = std::array<std::string, kFieldCount>;

struct param_set {
    // Every field at its initial text.
    param_set();

    std::string mode;
    std::string gain;
    std::string voltage;
    std::string trigger;
    std::string prf;
    std::string lpf;
    std::string pw;
    std::string hpf_unit;
    std::string probe_freq;
    std::string damping;

    std::string& operator[](Field field);
    const std::string& operator[](Field field) const;

    SettingsTexts texts() const;
    static param_set from_texts(const SettingsTexts& texts);

    bool operator==(const param_set&) const = default;
};

} // namespace qlm
