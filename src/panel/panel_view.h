#pragma once
// What the front panel shows and asks of whoever presents it: the window, or a console.

#include "link/link.h"
#include "panel/operation.h"
#include "panel/outcome.h"
#include "params/param_set.h"

#include <chrono>
#include <functional>
#include <optional>
#include <string>

namespace qlm {

class PanelView {
public:
    virtual ~PanelView() = default;

    // The display panel's value of a field.
    virtual void show_field(Field field, const std::string& text) = 0;
    // The field's value emphasised, every other one plain.
    virtual void show_emphasis(Field field) = 0;
    // A choice list's edit text (in list form, "1000Hz").
    virtual void set_list_text(Field field, const std::string& text) = 0;
    virtual std::string list_text(Field field) const = 0;
    // A numeric entry field's text.
    virtual void set_entry_text(Field field, const std::string& text) = 0;
    // The parameter buttons and lists held (during an upload) or given back.
    virtual void hold_controls(bool held) = 0;
    // The upload's progress, 0 to Upload::kSteps; none hides it.
    virtual void show_progress(std::optional<int> value) = 0;
    // The upload's timer, a tick every Upload::kIntervalMs.
    virtual void run_timer(bool running) = 0;
    // What an operation did; panel/texts.h renders it.
    virtual void report(const Outcome& outcome, const Cause& cause) = 0;
    // Runs `then` once `delay` has passed, from the event loop (the exchanges' waits).
    virtual void after(std::chrono::microseconds delay, std::function<void()> then) = 0;
};

} // namespace qlm
