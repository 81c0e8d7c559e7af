#include "params/param_set.h"

#include "params/descriptor.h"

namespace qlm {

namespace {

using Member = std::string param_set::*;
#define QLM_FIELD_MEMBER(name) &param_set::name,
constexpr std::array<Member, kFieldCount> kMembers{QLM_FIELDS(QLM_FIELD_MEMBER)};
#undef QLM_FIELD_MEMBER

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
