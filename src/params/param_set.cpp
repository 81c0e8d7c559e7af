#include "params/param_set.h"

namespace qlm {

namespace {

constexpr std::array<FieldInfo, kFieldCount> kFieldInfo{{
    {"mode", "Label14", "Label14", "单", 0},
    {"gain", "Label3", "Label3", "0", 1},
    {"voltage", "Label15", "Label15", "100", 2},
    {"trigger", "Label16", "Label16", "内部", 3},
    {"prf", "Label20", "Label20", "1000", 4},
    {"lpf", "Label17", "Label17", "10", 5},
    {"pw", "Label2", "Label2", "200", 6},
    {"hpf_unit", "Label36", "Label18", "MHz", 7}, // the "1" takes the emphasis
    {"probe_freq", "Label21", nullptr, "5.0", std::nullopt},
    {"damping", "Label19", "Label19", "50", 8},
}};

using Member = std::string param_set::*;
constexpr std::array<Member, kFieldCount> kMembers{
    &param_set::mode, &param_set::gain,     &param_set::voltage,    &param_set::trigger,
    &param_set::prf,  &param_set::lpf,      &param_set::pw,         &param_set::hpf_unit,
    &param_set::probe_freq, &param_set::damping,
};

} // namespace

const FieldInfo& info(Field field) { return kFieldInfo[static_cast<std::size_t>(field)]; }

std::string& param_set::operator[](Field field) {
    return this->*kMembers[static_cast<std::size_t>(field)];
}

const std::string& param_set::operator[](Field field) const {
    return this->*kMembers[static_cast<std::size_t>(field)];
}

std::array<std::string, kFieldCount> param_set::texts() const {
    std::array<std::string, kFieldCount> out;
    for (const Field field : kAllFields) out[static_cast<std::size_t>(field)] = (*this)[field];
    return out;
}

param_set param_set::from_texts(const std::array<std::string, kFieldCount>& texts) {
    param_set set;
    for (const Field field : kAllFields) set[field] = texts[static_cast<std::size_t>(field)];
    return set;
}

} // namespace qlm
