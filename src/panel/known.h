#pragma once
// What the program knows of the instrument, apart from what the display shows: per field the
// value last delivered to it or read back from it, and when; and whether the instrument
// answered its last exchange, and since when.

#include "params/param_set.h"

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace qlm {

using WallClock = std::chrono::system_clock;

// A value the instrument held at `when`, as the display shows it.
struct KnownValue {
    std::string text;
    WallClock::time_point when;
};

// `answered`: the last exchange was. `since`: the first exchange of the run of answered, or of
// unanswered, exchanges that the last one ends; `last`: the last one's time.
struct Presence {
    bool answered = false;
    WallClock::time_point since{};
    WallClock::time_point last{};
};

class Known {
public:
    explicit Known(std::function<WallClock::time_point()> now = WallClock::now);

    // A command the instrument took: it holds `text`.
    void delivered(Field field, const std::string& text);
    // A command it did not take, or that was not sent: the field is unconfirmed until the
    // next delivery or read-back.
    void not_delivered(Field field);
    // An answer's fields; an empty text is one the answer did not carry.
    void read_back(const param_set& answer);
    // Any exchange with the instrument, answered or not.
    void exchange(bool answered);

    const std::optional<KnownValue>& value(Field field) const {
        return values_[static_cast<std::size_t>(field)];
    }
    // Whether the instrument holds `shown`: delivered or read back, and not sent since
    // without arriving. Never for a field the instrument does not hold.
    bool confirmed(Field field, const std::string& shown) const;
    // None before the first exchange.
    const std::optional<Presence>& presence() const { return presence_; }

private:
    std::function<WallClock::time_point()> now_;
    std::array<std::optional<KnownValue>, kFieldCount> values_{};
    std::array<bool, kFieldCount> failed_{};
    std::optional<Presence> presence_;
};

} // namespace qlm
