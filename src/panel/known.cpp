#include "panel/known.h"

#include "params/descriptor.h"
#include "params/encoding.h"

#include <utility>

namespace qlm {

Known::Known(std::function<WallClock::time_point()> now) : now_(std::move(now)) {}

void Known::delivered(Field field, const std::string& text) {
    const auto index = static_cast<std::size_t>(field);
    values_[index] = KnownValue{text, now_()};
    failed_[index] = false;
}

void Known::not_delivered(Field field) {
    failed_[static_cast<std::size_t>(field)] = true;
}

void Known::read_back(const param_set& answer) {
    const auto when = now_();
    for (const Field field : kAllFields) {
        if (!descriptor(field).code || answer[field].empty()) continue;
        const auto index = static_cast<std::size_t>(field);
        values_[index] = KnownValue{answer[field], when};
        failed_[index] = false;
    }
}

void Known::exchange(bool answered) {
    const auto when = now_();
    if (!presence_ || presence_->answered != answered) presence_ = Presence{answered, when, when};
    presence_->last = when;
}

bool Known::confirmed(Field field, const std::string& shown) const {
    const auto index = static_cast<std::size_t>(field);
    const auto& known = values_[index];
    return known && !failed_[index] && same_value(field, shown, known->text);
}

} // namespace qlm
