#include "params/descriptor.h"

#include <array>
#include <string_view>

namespace qlm {

namespace {

// List entries in list order, with their command values.
constexpr std::array<Choice, 2> kMode{{{"单", 0, "single"}, {"双", 1, "dual"}}};
constexpr std::array<Choice, 2> kTrigger{{{"内部", 0, "internal"}, {"外部", 1, "external"}}};
constexpr std::array<Choice, 6> kPrf{
    {{"100", 1}, {"200", 2}, {"500", 3}, {"1000", 4}, {"2000", 5}, {"5000", 6}}};
constexpr std::array<Choice, 2> kLpf{{{"30", 1}, {"10", 0}}};
constexpr std::array<Choice, 2> kHpf{{{"kHz", 0}, {"MHz", 1}}};
constexpr std::array<Choice, 4> kDamping{{{"400", 4}, {"150", 3}, {"80", 2}, {"50", 1}}};

constexpr std::array<Step, 1> kVoltageSteps{{{0, 25}}};
constexpr std::array<Step, 2> kWidthSteps{{{0, 5}, {1000, 20}}};

constexpr NumericRule kGain{
    -50, 60, {}, true, false, "dB", "增益值：{min}~{max}dB!", "增益值：{min}~{max}dB!"};
constexpr NumericRule kVoltage{
    25, 400, kVoltageSteps, true, true, "V", "电压值范围{min}~{max}V!", "电压值：-{min}~{max}V!"};
constexpr NumericRule kWidth{
    25, 6500, kWidthSteps, false, false, "ns", "脉冲宽度{min}~{max}ns", "脉冲宽度：{min}~{max}ns!"};

using E = Encoding;

// clang-format off
constexpr std::array<ParamDescriptor, kFieldCount> kParams{{
    // field            title       code initial unit   prefix byte encoding           factor choices   suffix first  width  hint             numeric
    {Field::mode,       "工作模式", 0,  "单",   "",    "",  0, E::choice_two_way, 0,  kMode,    "",    true,  false, "单 ，双",         nullptr},
    {Field::gain,       "接收增益", 1,  "0",    "dB",  "",  1, E::offset,         50, {},       "",    false, false, nullptr,         &kGain},
    {Field::voltage,    "脉冲电压", 2,  "100",  "V",   "-", 2, E::scaled,         25, {},       "",    false, false, "-{max}～－{min}", &kVoltage},
    {Field::trigger,    "触发源",   3,  "内部", "",    "",  3, E::choice_two_way, 0,  kTrigger, "",    false, false, nullptr,         nullptr},
    {Field::prf,        "重复频率", 4,  "1000", "Hz",  "",  4, E::choice,         0,  kPrf,     "Hz",  false, false, nullptr,         nullptr},
    {Field::lpf,        "低通滤波", 5,  "10",   "MHz", "",  5, E::choice_two_way, 0,  kLpf,     "MHz", false, false, nullptr,         nullptr},
    {Field::pw,         "脉冲宽度", 6,  "200",  "nS",  "",  6, E::wide,           0,  {},       "",    false, false, nullptr,         &kWidth},
    {Field::hpf_unit,   "高通滤波", 7,  "MHz",  "",    "1", 8, E::choice_two_way, 0,  kHpf,     "",    false, true,  nullptr,         nullptr},
    {Field::probe_freq, "探头频率", {}, "5.0",  "MHz", "",  0, E::derived,        0,  {},       "",    false, true,  nullptr,         nullptr},
    {Field::damping,    "阻尼",     8,  "50",   "Ω",   "",  9, E::choice,         0,  kDamping, "",    false, true,  nullptr,         nullptr},
}};
// clang-format on

constexpr std::array<Field, 6> kListFields{Field::mode,    Field::prf, Field::trigger,
                                           Field::damping, Field::lpf, Field::hpf_unit};
constexpr std::array<Field, 3> kEntryFields{Field::voltage, Field::pw, Field::gain};

constexpr bool rows_in_field_order() {
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (kParams[i].field != kAllFields[i]) return false;
    }
    return true;
}
static_assert(rows_in_field_order(), "one row per field, in the order of QLM_FIELDS");

} // namespace

const ParamDescriptor& descriptor(Field field) {
    return kParams[static_cast<std::size_t>(field)];
}

std::optional<Field> field_named(std::string_view name) {
    for (const ParamDescriptor& param : kParams) {
        if (name == field_name(param.field)) return param.field;
    }
    return std::nullopt;
}

std::span<const Field> list_fields() {
    return kListFields;
}
std::span<const Field> entry_fields() {
    return kEntryFields;
}

std::string list_text(Field field, const std::string& text) {
    const ParamDescriptor& param = descriptor(field);
    return param.prefix + text + param.list_suffix;
}

namespace {

// text == prefix + entry + suffix, without building it.
bool composed(std::string_view text, std::string_view prefix, std::string_view entry,
              std::string_view suffix) {
    return text.size() == prefix.size() + entry.size() + suffix.size() &&
           text.starts_with(prefix) && text.ends_with(suffix) &&
           text.substr(prefix.size(), entry.size()) == entry;
}

} // namespace

std::optional<std::size_t> choice_position(Field field, const std::string& text) {
    const ParamDescriptor& param = descriptor(field);
    for (std::size_t i = 0; i < param.choices.size(); ++i) {
        const std::string_view entry = param.choices[i].text;
        if (text == entry || composed(text, param.prefix, entry, param.list_suffix) ||
            composed(text, param.prefix, entry, param.unit))
            return i;
    }
    return std::nullopt;
}

std::string shown_text(Field field, const std::string& text) {
    const ParamDescriptor& param = descriptor(field);
    return param.prefix + text + param.unit;
}

std::string with_range(const char* message, const NumericRule& rule) {
    std::string out = message;
    for (const auto& [mark, value] : {std::pair<std::string, std::int64_t>{"{min}", rule.min},
                                      std::pair<std::string, std::int64_t>{"{max}", rule.max}}) {
        const auto at = out.find(mark);
        if (at != std::string::npos) out.replace(at, mark.size(), std::to_string(value));
    }
    return out;
}

} // namespace qlm
