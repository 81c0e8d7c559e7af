#include "params/choices.h"

#include <array>
#include <cstring>
#include <stdexcept>

namespace qlm {

namespace {

constexpr std::array<const char*, 2> kModeEntries{"单", "双"};
constexpr std::array<const char*, 6> kPrfEntries{"100Hz",  "200Hz",  "500Hz",
                                                 "1000Hz", "2000Hz", "5000Hz"};
constexpr std::array<const char*, 2> kTriggerEntries{"内部", "外部"};
constexpr std::array<const char*, 4> kDampingEntries{"400", "150", "80", "50"};
constexpr std::array<const char*, 2> kLpfEntries{"30MHz", "10MHz"};
constexpr std::array<const char*, 2> kHpfEntries{"1kHz", "1MHz"};

const std::array<ChoiceList, 6> kLists{{
    {"Combo1", Field::mode, kModeEntries, "", "", true},
    {"Combo2", Field::prf, kPrfEntries, "", "Hz", false},
    {"Combo3", Field::trigger, kTriggerEntries, "", "", false},
    {"Combo4", Field::damping, kDampingEntries, "", "", false},
    {"Combo5", Field::lpf, kLpfEntries, "", "MHz", false},
    {"Combo6", Field::hpf_unit, kHpfEntries, "1", "", false},
}};

} // namespace

std::span<const ChoiceList> choice_lists() { return kLists; }

const ChoiceList& choice_list(Field field) {
    for (const ChoiceList& list : kLists) {
        if (list.field == field) return list;
    }
    throw std::invalid_argument("field has no choice list");
}

std::string field_text(const ChoiceList& list, std::size_t position) {
    std::string text = list.entries[position];
    const std::size_t prefix = std::strlen(list.prefix);
    const std::size_t suffix = std::strlen(list.suffix);
    return text.substr(prefix, text.size() - prefix - suffix);
}

std::string list_text(Field field, const std::string& text) {
    const ChoiceList& list = choice_list(field);
    return list.prefix + text + list.suffix;
}

} // namespace qlm
