#pragma once
// The panel without a display, for a server without a window: list texts kept, the upload's
// timer a QTimer, the exchanges' waits timers of the event loop (so clients are taken and
// served during them). What the panel reports goes to `on_report`.

#include "panel/panel_view.h"

#include <QTimer>

#include <array>
#include <chrono>
#include <functional>

namespace qlm::remote {

class LoopView : public PanelView {
public:
    LoopView();

    std::function<void(const Outcome&)> on_report;
    std::function<void()> on_tick;

    void show_field(Field, const std::string&) override {}
    void show_emphasis(Field) override {}
    void set_list_text(Field field, const std::string& text) override;
    std::string list_text(Field field) const override;
    void set_entry_text(Field, const std::string&) override {}
    void hold_controls(bool) override {}
    void show_progress(std::optional<int>) override {}
    void run_timer(bool running) override;
    void report(const Outcome& outcome, const Cause& cause) override;
    void after(std::chrono::microseconds delay, std::function<void()> then) override;

private:
    std::array<std::string, kFieldCount> lists_;
    QTimer timer_;
};

} // namespace qlm::remote
