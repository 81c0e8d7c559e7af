#pragma once
// The instrument's parameter set: ten fields held as the exact texts the display shows,
// without units. Field order is the settings file's order.

#include <array>
#include <cstdint>
#include <string>

namespace qlm {

// The ten fields, in the settings file's order: the one list that the enum, the members and
// their look-up are made from.
#define QLM_FIELDS(X)                                                                              \
    X(mode) X(gain) X(voltage) X(trigger) X(prf) X(lpf) X(pw) X(hpf_unit) X(probe_freq) X(damping)

#define QLM_FIELD_ENUM(name) name,
enum class Field : std::uint8_t { QLM_FIELDS(QLM_FIELD_ENUM) };
#undef QLM_FIELD_ENUM

#define QLM_FIELD_ONE(name) +1
constexpr std::size_t kFieldCount = 0 QLM_FIELDS(QLM_FIELD_ONE);
#undef QLM_FIELD_ONE

#define QLM_FIELD_VALUE(name) Field::name,
constexpr std::array<Field, kFieldCount> kAllFields{QLM_FIELDS(QLM_FIELD_VALUE)};
#undef QLM_FIELD_VALUE

// The member of param_set that holds a field ("mode", "hpf_unit").
#define QLM_FIELD_NAME(name) #name,
constexpr std::array<const char*, kFieldCount> kFieldNames{QLM_FIELDS(QLM_FIELD_NAME)};
#undef QLM_FIELD_NAME
constexpr const char* field_name(Field field) {
    return kFieldNames[static_cast<std::size_t>(field)];
}

using SettingsTexts = std::array<std::string, kFieldCount>;

struct param_set {
    // Every field at its initial text.
    param_set();

#define QLM_FIELD_MEMBER(name) std::string name;
    QLM_FIELDS(QLM_FIELD_MEMBER)
#undef QLM_FIELD_MEMBER

    std::string& operator[](Field field);
    const std::string& operator[](Field field) const;

    SettingsTexts texts() const;
    static param_set from_texts(const SettingsTexts& texts);

    bool operator==(const param_set&) const = default;
};

} // namespace qlm
