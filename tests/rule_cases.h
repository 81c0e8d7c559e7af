#pragma once
// One table of operator rules that the command line and the window must both follow: a
// value chosen or typed (Enter) on an instrument in a given state, and what follows.

#include "sim_instrument.h"

#include <array>
#include <cstdint>
#include <vector>

namespace qlm::testing {

struct RuleCase {
    const char* name;  // the param_set field
    const char* value; // a list entry as listed, or the text typed
    sim::Settings start;
    const char* shown;                             // the field's display text afterwards
    std::vector<std::array<std::uint8_t, 3>> sent; // the commands, in order
    const char* refusal;                           // the message; nullptr when accepted
    const char* prf_after; // the PRF lowered (and sent first) for a longer width
};

inline const std::vector<RuleCase>& rule_cases() {
    constexpr sim::Settings kDefault = sim::kDefaultSettings;            // 1000 Hz, 200 ns
    constexpr sim::Settings kWidth1000{0, 50, 4, 0, 6, 0, 232, 3, 1, 1}; // 5000 Hz, 1000 ns
    constexpr sim::Settings kWidth5000{0, 50, 4, 0, 4, 0, 136, 19, 1, 1};
    const char* const kPrf = "重复频率与脉冲宽度不匹配，请重新选择重复频率！";
    static const std::vector<RuleCase> cases{
        {"damping", "150", kDefault, "150", {{8, 3, 0}}, nullptr, nullptr},
        {"lpf", "30MHz", kDefault, "30", {{5, 1, 0}}, nullptr, nullptr},
        {"hpf_unit", "1kHz", kDefault, "kHz", {{7, 0, 0}}, nullptr, nullptr},
        {"mode", "双", kDefault, "双", {{0, 1, 0}}, nullptr, nullptr},
        {"trigger", "外部", kDefault, "外部", {{3, 1, 0}}, nullptr, nullptr},
        {"prf", "5000Hz", kDefault, "5000", {{4, 6, 0}}, nullptr, nullptr},
        {"prf", "2000Hz", kWidth1000, "2000", {{4, 5, 0}}, nullptr, nullptr},
        {"prf", "5000Hz", kWidth1000, "5000", {}, kPrf, nullptr},
        {"prf", "1000Hz", kWidth5000, "1000", {}, kPrf, nullptr},
        {"prf", "500Hz", kWidth5000, "500", {{4, 3, 0}}, nullptr, nullptr},
        {"gain", "05", kDefault, "05", {{1, 55, 0}}, nullptr, nullptr},
        {"gain", "-50", kDefault, "-50", {{1, 0, 0}}, nullptr, nullptr},
        {"gain", "61", kDefault, "0", {}, "增益值：-50~60dB!", nullptr},
        {"voltage", "-150", kDefault, "150", {{2, 6, 0}}, nullptr, nullptr},
        {"voltage", "110", kDefault, "100", {{2, 4, 0}}, nullptr, nullptr},
        {"voltage", "401", kDefault, "100", {}, "电压值范围25~400V!", nullptr},
        {"pw", "999", kDefault, "995", {{6, 227, 3}}, nullptr, nullptr},
        {"pw", "6500", kDefault, "6500", {{4, 3, 0}, {6, 100, 25}}, nullptr, "500"},
        {"pw", "1000", kWidth1000, "1000", {{4, 5, 0}, {6, 232, 3}}, nullptr, "2000"},
        {"pw", "3000", kDefault, "3000", {{6, 184, 11}}, nullptr, nullptr},
        {"pw", "7000", kDefault, "200", {}, "脉冲宽度25~6500ns", nullptr},
        {"pw", "24", kDefault, "200", {}, "脉冲宽度25~6500ns", nullptr},
    };
    return cases;
}

} // namespace qlm::testing
