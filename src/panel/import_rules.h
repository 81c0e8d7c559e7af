#pragma once
// What a settings file's texts become on the display before their upload: each field as the
// instrument can take it, or kept as shown when it cannot; the PRF within what the width
// allows; the order of PRF and width.

#include "panel/outcome.h"
#include "params/param_set.h"

#include <array>
#include <vector>

namespace qlm {

struct ImportPlan {
    SettingsTexts shown;                   // the display after the import
    std::array<bool, kFieldCount> sends{}; // the fields the upload sends
    std::vector<ImportNote> notes;         // each field not taken as the file has it
    bool width_first = false;              // the width goes out before the PRF
};

// `current` is the display before the import.
ImportPlan plan_import(const param_set& current, const SettingsTexts& file);

} // namespace qlm
