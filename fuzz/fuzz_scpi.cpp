// Arbitrary bytes as SCPI lines to the remote interpreter over the panel and the simulated
// instrument. Nothing the instrument cannot take reaches it, the display never shows a PRF
// its width does not allow or a number outside its range, the error queue stays bounded and
// every answer is printable ASCII, one line per message. A line that begins with EOT (0x04)
// is sent by a client that leaves during its first wait: nothing after the command under way
// runs, and the next line comes from a new client. A line that begins with NAK (0x15) runs
// while the instrument refuses data frames; with two, its reads fail too; with three, it is
// gone: what it did not take stays unconfirmed, and later queries read it.
#include "fuzz_check.h"
#include "params/descriptor.h"
#include "params/interlock.h"
#include "params/number.h"
#include "remote/interpreter.h"
#include "sim_instrument.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

using namespace qlm;

namespace {

struct NoFiles : SettingsStore {
    FileRead load(const std::string&) override { return {std::nullopt, "none"}; }
    std::string save(const std::string&, const SettingsTexts&) override { return "none"; }
};

struct View : PanelView {
    remote::Interpreter* interpreter = nullptr;
    remote::Client* leaving = nullptr; // leaves in the next wait
    bool timer = false;
    std::array<std::string, kFieldCount> lists;
    void show_field(Field, const std::string&) override {}
    void show_emphasis(Field) override {}
    void set_list_text(Field field, const std::string& text) override {
        lists[static_cast<std::size_t>(field)] = text;
    }
    std::string list_text(Field field) const override {
        return lists[static_cast<std::size_t>(field)];
    }
    void set_entry_text(Field, const std::string&) override {}
    void hold_controls(bool) override {}
    void show_progress(std::optional<int>) override {}
    void run_timer(bool running) override { timer = running; }
    void report(const Outcome&, const Cause&) override {}
    void after(std::chrono::microseconds, std::function<void()> then) override {
        if (leaving) interpreter->forget(*std::exchange(leaving, nullptr));
        then();
    }
};

// The display as the instrument can hold it; a display already checked is not checked again.
void check_display(const param_set& set) {
    static param_set checked;
    if (set == checked) return;
    for (const Field field : entry_fields()) {
        const NumericRule& rule = *descriptor(field).numeric;
        const auto value = parse_decimal(set[field]);
        FUZZ_CHECK(value && value->den == 1);
        FUZZ_CHECK(value->num >= rule.min && value->num <= rule.max);
    }
    for (const Field field : list_fields())
        FUZZ_CHECK(choice_position(field, set[field]).has_value());
    FUZZ_CHECK(prf_allowed(*parse_decimal(set.prf), *parse_decimal(set.pw)));
    checked = set;
}

// Built once; each input starts from a fresh instrument and a panel started on it, as the
// server's panel is before any client comes. An input that did not reach the instrument
// leaves them so, and the next one starts without the reset.
struct Harness {
    sim::SimInstrument instrument;
    View view;
    Panel panel{instrument, view};
    NoFiles store;
    SetupFiles files{store, [](const Outcome&) {}};
    remote::Interpreter interpreter{remote::Host{panel, files, "", {}}};
    const param_set initial;
    param_set started;            // the display after the last reset
    std::size_t calls = SIZE_MAX; // the instrument's calls then

    Harness() { view.interpreter = &interpreter; }
    void reset() {
        view.leaving = nullptr;
        view.timer = false;
        if (instrument.calls().size() == calls && panel.params() == started) return;
        instrument.reset();
        panel.start(initial.texts());
        started = panel.params();
        calls = instrument.calls().size();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Harness harness;
    harness.reset();
    auto& view = harness.view;
    auto& panel = harness.panel;
    auto& interpreter = harness.interpreter;
    auto client = std::make_shared<remote::Client>();

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t from = 0;
    while (from <= input.size()) {
        std::size_t end = input.find('\n', from);
        if (end == std::string_view::npos) end = input.size();
        std::string line(input.substr(from, end - from));
        const bool leaves = !line.empty() && line.front() == '\x04';
        if (leaves) {
            line.erase(0, 1);
            view.leaving = client.get();
        }
        const auto refusals =
            std::min({line.find_first_not_of('\x15'), line.size(), std::size_t{3}});
        line.erase(0, refusals);
        auto& faults = harness.instrument.faults;
        faults = {.absent = refusals >= 3, .data = refusals >= 1, .answer = refusals >= 2};
        bool done = interpreter.run(client, std::move(line));
        for (int ticks = 0; !done && ticks < 20; ++ticks) {
            if (view.timer) panel.tick();
            done = interpreter.resume(client);
        }
        FUZZ_CHECK(done);
        FUZZ_CHECK(client->errors.count() <= remote::ErrorQueue::kCapacity);
        for (std::size_t i = 0; i < client->output.size(); ++i) {
            const char c = client->output[i];
            FUZZ_CHECK((c >= 0x20 && c <= 0x7e) || (c == '\n' && i + 1 == client->output.size()));
        }
        // A client that left gets nothing more.
        FUZZ_CHECK(!leaves || view.leaving || client->output.empty());
        client->output.clear();
        if (leaves) {
            view.leaving = nullptr;
            client = std::make_shared<remote::Client>();
        }
        faults = {};
        check_display(panel.params());
        from = end + 1;
    }
    FUZZ_CHECK(harness.instrument.violations() == 0);
    FUZZ_CHECK(harness.instrument.rejected_values() == 0);
    return 0;
}
