#pragma once
// The front panel seen from a console: no display to draw, outcomes rendered as lines (what
// was sent and compared on stdout, messages on stderr), the upload's progress as one line,
// and the exchange waits slept through.

#include "link/instrument_lock.h"
#include "panel/panel_view.h"

#include <array>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qlm::cli {

using Sleep = std::function<void(std::chrono::microseconds)>;

class ConsoleView : public PanelView {
public:
    ConsoleView(std::ostream& out, std::ostream& err, Sleep sleep);

    void show_field(Field, const std::string&) override {}
    void show_emphasis(Field) override {}
    void set_list_text(Field field, const std::string& text) override;
    std::string list_text(Field field) const override;
    void set_entry_text(Field, const std::string&) override {}
    void hold_controls(bool) override {}
    void show_progress(std::optional<int> value) override;
    void run_timer(bool running) override { timer_ = running; }
    void report(const Outcome& outcome, const Cause& cause) override;
    void after(std::chrono::microseconds delay, std::function<void()> then) override;
    bool timer_running() const { return timer_; }

    // The exchange lock, for why an exchange did not have it.
    void set_lock(const InstrumentLock* lock) { lock_ = lock; }

    // A message line on stderr, ending the progress line first.
    void error_line(const std::string& text);

private:
    std::ostream& out_;
    std::ostream& err_;
    Sleep sleep_;
    std::array<std::string, kFieldCount> list_texts_;
    bool timer_ = false;
    bool progress_shown_ = false;
    const InstrumentLock* lock_ = nullptr;
};

} // namespace qlm::cli
