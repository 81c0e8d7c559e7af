#include "params/param_set.h"

#include "params/descriptor.h"

namespace qlm {

namespace {

using Member = std::string param_set::*;
constexpr std::array<Member, kFieldCount> kMembers{
    &param_set::mode,       &param_set::gain,    &param_set::voltage, &param_set::trigger,
    &param_set::prf,        &param_set::lpf,     &param_set::pw,      &param_set::hpf_unit,
    &param_set::probe_freq, &param_set::damping,
};

} // namespace

param_set::param_set() {
    for (const Field field : kAllFields)
        (*this)[field] = descriptor(field).initial;
}

std::string& param_set::operator[](Field field) {
    return this->*kMembers[static_cast<std::size_t>(field)];
}

const std::string& param_set::operator[](Field field) const {
    return this->*kMembers[static_cast<std::size_t>(field)];
}

SettingsTexts param_set::texts() const {
    SettingsTexts out;
    for (const Field field : kAllFields)
        out[static_cast<std::size_t>(field)] = (*this)[field];
    return out;
}

param_set param_set::from_texts(const SettingsTexts& texts) {
    param_set set;
    for (const Field field : kAllFields)
        set[field] = texts[static_cast<std::size_t>(field)];
    return set;
}

} // namespace qlm
