#pragma once
// The front panel over the in-process simulator, reporting to a view that records what it
// is told. An exchange's wait runs its continuation at once, after one queued "handler" (as
// the event loop would run it meanwhile), so that operations started in the middle of an
// exchange can be tested. No Qt.

#include "panel/panel.h"
#include "panel/texts.h"
#include "params/descriptor.h"
#include "sim_cases.h"
#include "sim_instrument.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qlm::testing {

class RecordingView : public PanelView {
public:
    std::map<Field, std::string> shown; // the display panel
    std::optional<Field> emphasised;
    std::map<Field, std::string> lists;   // the lists' edit texts
    std::map<Field, std::string> entries; // the entry fields
    bool held = false;
    std::optional<int> progress; // none: hidden
    bool timer = false;
    std::vector<Outcome> outcomes;
    std::vector<std::string> messages;   // the texts of the error boxes the window would show
    std::chrono::microseconds waited{0}; // the time the exchanges asked to wait
    std::vector<Cause> causes;           // of each outcome
    // Run one per wait, in order, as handlers that the event processing would run.
    std::vector<std::function<void()>> during_wait;
    // Runs inside every message, as the operator's actions while it is open.
    std::function<void()> during_message;

    void show_field(Field field, const std::string& text) override { shown[field] = text; }
    void show_emphasis(Field field) override { emphasised = field; }
    void set_list_text(Field field, const std::string& text) override { lists[field] = text; }
    std::string list_text(Field field) const override {
        const auto it = lists.find(field);
        return it == lists.end() ? std::string() : it->second;
    }
    void set_entry_text(Field field, const std::string& text) override { entries[field] = text; }
    void hold_controls(bool h) override { held = h; }
    void show_progress(std::optional<int> value) override { progress = value; }
    void run_timer(bool running) override { timer = running; }
    void report(const Outcome& outcome, const Cause& cause) override {
        outcomes.push_back(outcome);
        causes.push_back(cause);
        const auto notice = texts::notice_for(outcome);
        if (!notice || !notice->error) return;
        messages.push_back(notice->text);
        if (during_message) during_message();
    }
    // The outcomes of one kind, in order.
    template <class Kind> std::vector<Kind> all() const {
        std::vector<Kind> out;
        for (const Outcome& outcome : outcomes) {
            if (const auto* each = std::get_if<Kind>(&outcome)) out.push_back(*each);
        }
        return out;
    }
    void after(std::chrono::microseconds delay, std::function<void()> then) override {
        waited += delay;
        if (!during_wait.empty()) {
            const auto handler = during_wait.front();
            during_wait.erase(during_wait.begin());
            handler();
        }
        then();
    }
};

struct PanelRig {
    // Over the simulator, or over another driver (the simulator then sees nothing).
    explicit PanelRig(sim::Settings settings = sim::kDefaultSettings, UsbDriver* driver = nullptr)
        : instrument(settings), panel(driver ? *driver : instrument, view) {
        panel.show_all(); // as the window shows the initial texts when it is built
    }

    sim::SimInstrument instrument;
    RecordingView view;
    Panel panel;

    // The ten display texts, in settings-file order.
    SettingsTexts display() const {
        SettingsTexts texts;
        for (const Field field : kAllFields)
            texts[static_cast<std::size_t>(field)] = view.shown.at(field);
        return texts;
    }
    Applied applied() const { return instrument.applied(); }
    // Each call to the driver: 'R' for a read, else the written frame's type (3 read request,
    // 4 write-announce, 0 data).
    std::string call_kinds() const {
        std::string kinds;
        for (const sim::Call& call : instrument.calls())
            kinds += call.direction == 'R' ? 'R' : static_cast<char>('0' + call.frame[kTypeByte]);
        return kinds;
    }
    // Ticks while the upload's timer runs; how many it took.
    int run_upload() {
        int ticks = 0;
        while (view.timer && ticks < 100) {
            panel.tick();
            ++ticks;
        }
        return ticks;
    }
};

} // namespace qlm::testing
