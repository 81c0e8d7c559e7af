#pragma once
// The front panel seen from a console: no display to draw, messages to stderr, the upload's
// progress as one line, and the exchange waits as real time.

#include "panel/panel_view.h"

#include <array>
#include <chrono>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace qlm::cli {

// The window waits by event-processing passes, about 0.7 us of processor time each on a
// typical PC (70 ms and 100 ms for its two waits). Without an event loop a pass counts as
// 1 us of real time: 100 ms between the two frames of a command, 150 ms before an answer.
constexpr std::chrono::microseconds kWaitPerPass{1};

using Sleep = std::function<void(std::chrono::microseconds)>;

class ConsoleView : public PanelView {
public:
    // `err` gets every message and the progress line; null keeps them to messages().
    ConsoleView(std::ostream* err, Sleep sleep);

    void show_field(Field, const std::string&) override {}
    void show_emphasis(Field) override {}
    void set_list_text(Field field, const std::string& text) override;
    std::string list_text(Field field) const override;
    void set_entry_text(Field, const std::string&) override {}
    void hold_controls(bool) override {}
    void show_progress(std::optional<int> value) override;
    void run_timer(bool running) override { timer_running_ = running; }
    void message(const std::string& text) override;
    void wait(long passes) override;

    const std::vector<std::string>& messages() const { return messages_; }
    bool timer_running() const { return timer_running_; }

private:
    std::ostream* err_;
    Sleep sleep_;
    std::array<std::string, kFieldCount> list_texts_;
    std::vector<std::string> messages_;
    bool timer_running_ = false;
    bool progress_shown_ = false;
};

} // namespace qlm::cli
