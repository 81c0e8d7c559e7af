#include "panel/upload.h"

#include <array>

namespace qlm {

void Upload::start() {
    value_ = 0;
    running_ = true;
}

std::optional<Upload::Tick> Upload::tick() {
    if (!running_) return std::nullopt;
    ++value_;
    const bool finished = value_ >= kSteps;
    if (finished) running_ = false;
    return Tick{value_, finished, upload_field(value_)};
}

std::optional<Field> upload_field(int value) {
    using F = std::optional<Field>;
    static const std::array<F, Upload::kSteps + 1> kOrder{
        F{},
        F{Field::mode},
        F{Field::gain},
        F{},
        F{Field::voltage},
        F{},
        F{Field::trigger},
        F{Field::prf},
        F{},
        F{Field::lpf},
        F{},
        F{Field::pw},
        F{Field::hpf_unit},
        F{Field::damping},
    };
    if (value < 0 || value > Upload::kSteps) return std::nullopt;
    return kOrder[static_cast<std::size_t>(value)];
}

} // namespace qlm
