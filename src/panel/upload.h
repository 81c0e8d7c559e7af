#pragma once
// The steps of the timed upload of a whole parameter set: thirteen ticks, nine commands.
// The timer that paces it belongs to the window.

#include "params/param_set.h"

#include <optional>

namespace qlm {

class Upload {
public:
    static constexpr int kSteps = 13;
    static constexpr int kIntervalMs = 200;

    struct Tick {
        int value;                  // the step counter after this tick, 1..13
        bool finished;              // the tick that reaches 13
        std::optional<Field> field; // the parameter this tick sends, if any
    };

    void start();
    // Only while running; a tick after a stop yields nothing.
    std::optional<Tick> tick();
    void stop() { running_ = false; }

    bool running() const { return running_; }
    int value() const { return value_; }

private:
    bool running_ = false;
    int value_ = 0;
};

// The parameter sent at a step value; ticks 3, 5, 8 and 10 send nothing.
std::optional<Field> upload_field(int value);

} // namespace qlm
