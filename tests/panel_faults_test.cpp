// Every driver fault against every operation of the panel: the failures it reports, the
// messages the operator sees, the display left behind, and a panel that is usable afterwards. The
// simulator's four fault modes run in process; a missing library and a library without ReadPort1 go
// through the real EasyD12 binding.
#include "panel_rig.h"
#include "sim_cases.h"

#include "link/easyd12.h"
#include "link/paths.h"

#include <gtest/gtest.h>

#include <memory>

using namespace qlm;
using namespace qlm::testing;

namespace {

// The instrument at start-up, and as it reads after it was changed behind the panel's back.
const sim::Settings kAtStart = kExampleSettings;
const SettingsTexts kAtStartShown{"单", "20",   "100", "内部", "1000",
                                  "30", "6500", "MHz", "0.08", "150"};
const sim::Settings kLater{1, 40, 8, 1, 2, 0, 244, 1, 0, 4};
const SettingsTexts kLaterShown{"双", "-10", "200", "外部", "200",
                                "10", "500", "kHz", "1.00", "400"};
const SettingsTexts kImported{"双", "-20",  "300", "外部", "2000",
                              "30", "1500", "kHz", "0.33", "80"};

struct Bench {
    std::vector<std::string> complaints;
    std::unique_ptr<EasyD12Driver> binding;
    std::unique_ptr<PanelRig> rig;

    explicit Bench(const Fault& fault) {
        const auto complain = [this](const std::string& line) { complaints.push_back(line); };
        if (fault.driver == Driver::missing_library)
            binding = std::make_unique<EasyD12Driver>(
                LibraryLocation{join_path(program_folder(), "no-such-folder"), kMissingLibrary},
                complain);
        if (fault.driver == Driver::write_only_library)
            binding = std::make_unique<EasyD12Driver>(
                LibraryLocation{program_folder(), kWriteOnlyLibrary}, complain);
        rig = std::make_unique<PanelRig>(kAtStart, binding.get());
        rig->instrument.faults = fault.faults;
        rig->panel.start(std::nullopt);
    }
};

// What an operation's read request brings onto the display; `compare` reads as the operator
// asked, and shows nothing.
enum class Reads { nothing, width, everything, compare };

struct Operation {
    const char* name;
    int sends;    // commands it issues
    int requests; // read requests it issues
    Reads reads;
    std::function<void(Panel&)> run;
    std::function<void(SettingsTexts&)> shows; // what it puts on display by itself
};

void set(SettingsTexts& texts, Field field, const char* text) {
    texts[static_cast<std::size_t>(field)] = text;
}

const std::vector<Operation>& operations() {
    using P = Panel&;
    using S = SettingsTexts&;
    static const std::vector<Operation> table = {
        {"work mode list", 1, 0, Reads::nothing, [](P p) { p.choose(Field::mode, 1); },
         [](S d) { set(d, Field::mode, "双"); }},
        {"trigger list", 1, 0, Reads::nothing, [](P p) { p.choose(Field::trigger, 1); },
         [](S d) { set(d, Field::trigger, "外部"); }},
        {"damping list", 1, 0, Reads::nothing, [](P p) { p.choose(Field::damping, 0); },
         [](S d) { set(d, Field::damping, "400"); }},
        {"low-pass list", 1, 0, Reads::nothing, [](P p) { p.choose(Field::lpf, 0); },
         [](S d) { set(d, Field::lpf, "30"); }},
        {"high-pass list", 1, 0, Reads::nothing, [](P p) { p.choose(Field::hpf_unit, 0); },
         [](S d) { set(d, Field::hpf_unit, "kHz"); }},
        // The list fetches the width as it opens, then sends the choice.
        {"PRF list choice", 1, 1, Reads::width,
         [](P p) {
             p.open_list(Field::prf);
             p.choose(Field::prf, 2);
         },
         [](S d) { set(d, Field::prf, "500"); }},
        {"PRF list opening", 0, 1, Reads::width, [](P p) { p.open_list(Field::prf); }, [](S) {}},
        {"gain by Enter", 1, 0, Reads::nothing,
         [](P p) { p.confirm(Field::gain, "-7", ConfirmedBy::enter); },
         [](S d) { set(d, Field::gain, "-7"); }},
        {"gain by button", 1, 0, Reads::nothing, [](P p) { p.press_button(Field::gain, "-7"); },
         [](S d) { set(d, Field::gain, "-7"); }},
        {"voltage by Enter", 1, 0, Reads::nothing,
         [](P p) { p.confirm(Field::voltage, "260", ConfirmedBy::enter); },
         [](S d) { set(d, Field::voltage, "250"); }},
        {"voltage by button", 1, 0, Reads::nothing,
         [](P p) { p.press_button(Field::voltage, "260"); },
         [](S d) { set(d, Field::voltage, "250"); }},
        {"width by Enter", 1, 0, Reads::nothing,
         [](P p) { p.confirm(Field::pw, "1010", ConfirmedBy::enter); },
         [](S d) {
             set(d, Field::pw, "1000");
             set(d, Field::probe_freq, "0.50");
         }},
        {"width by button", 1, 0, Reads::nothing, [](P p) { p.press_button(Field::pw, "1010"); },
         [](S d) {
             set(d, Field::pw, "1000");
             set(d, Field::probe_freq, "0.50");
         }},
        {"menu read-back", 0, 1, Reads::everything, [](P p) { p.read_back(); }, [](S) {}},
        {"comparison", 0, 1, Reads::compare, [](P p) { p.check_instrument(); }, [](S) {}},
        {"import and upload", 9, 0, Reads::nothing,
         [](P p) {
             p.import_set(kImported);
             int ticks = 0;
             while (p.uploading() && ticks < 100) {
                 p.tick();
                 ++ticks;
             }
             EXPECT_EQ(ticks, 13);
         },
         [](S d) { d = kImported; }},
    };
    return table;
}

// What failed among the outcomes from `from` on: commands the instrument did not take, read
// requests refused (each shown as the connection message), answers the operator asked for
// that never came (shown as such); nothing else is shown.
struct Failures {
    int sends = 0, requests = 0, unanswered = 0;
    bool operator==(const Failures&) const = default;
};
Failures failures(const PanelRig& rig, std::size_t from, std::size_t messages_from) {
    Failures found;
    std::vector<std::string> expected;
    for (std::size_t i = from; i < rig.view.outcomes.size(); ++i) {
        const Outcome& outcome = rig.view.outcomes[i];
        const auto* sent = std::get_if<Sent>(&outcome);
        const auto* read = std::get_if<ReadBack>(&outcome);
        const auto count = [&expected](int& counter, const char* text) {
            ++counter;
            expected.push_back(text);
        };
        if (sent && sent->delivery != SendResult::delivered) count(found.sends, kConnectionFailed);
        if (read && read->result == ReadResult::request_refused)
            count(found.requests, kConnectionFailed);
        if (read && read->result == ReadResult::no_answer && read->asked)
            count(found.unanswered, texts::kNoAnswer);
    }
    const std::vector<std::string> shown(rig.view.messages.begin() +
                                             static_cast<std::ptrdiff_t>(messages_from),
                                         rig.view.messages.end());
    EXPECT_EQ(shown, expected);
    return found;
}

// An answer asked for that the instrument does not give, though it takes the request.
int unanswered(const Fault& fault, int asked) {
    return !fault.requests_refused && !fault.answers_arrive ? asked : 0;
}

} // namespace

TEST(PanelFaults, StartUp) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Bench bench(fault);
        const PanelRig& rig = *bench.rig;
        EXPECT_EQ(failures(rig, 0, 0), (Failures{0, fault.requests_refused ? 1 : 0}));
        EXPECT_EQ(rig.display(), fault.answers_arrive ? kAtStartShown : param_set().texts());
        EXPECT_TRUE(rig.instrument.applied().empty()); // start-up sends no command
        // The binding says once why it cannot work, and only when it cannot.
        EXPECT_EQ(bench.complaints.size(), fault.driver == Driver::simulator ? 0u : 1u);
    }
}

TEST(PanelFaults, EveryOperationUnderEveryFault) {
    for (const Fault& fault : kFaults) {
        for (const Operation& operation : operations()) {
            SCOPED_TRACE(std::string(fault.name) + " / " + operation.name);
            Bench bench(fault);
            PanelRig& rig = *bench.rig;
            rig.instrument.set_settings(kLater);
            const SettingsTexts before = rig.display();
            const std::size_t messages_before = rig.view.messages.size();
            const std::size_t outcomes_before = rig.view.outcomes.size();

            operation.run(rig.panel);

            SettingsTexts expected = before;
            if (fault.answers_arrive && operation.reads == Reads::everything)
                expected = kLaterShown;
            if (fault.answers_arrive && operation.reads == Reads::width)
                set(expected, Field::pw, "500");
            operation.shows(expected);
            EXPECT_EQ(rig.display(), expected);
            EXPECT_EQ(rig.panel.params().texts(), expected);

            const bool asks =
                operation.reads == Reads::everything || operation.reads == Reads::compare;
            EXPECT_EQ(failures(rig, outcomes_before, messages_before),
                      (Failures{fault.sends_refused ? operation.sends : 0,
                                fault.requests_refused ? operation.requests : 0,
                                unanswered(fault, asks ? 1 : 0)}));
            EXPECT_EQ(rig.instrument.applied().size(),
                      fault.commands_arrive ? static_cast<std::size_t>(operation.sends) : 0u);
            EXPECT_EQ(rig.instrument.violations(), 0);
            EXPECT_EQ(rig.instrument.rejected_values(), 0);

            // Whatever failed, the panel is usable afterwards: no upload left running, the
            // controls given back, the lists showing the display after a menu read-back.
            EXPECT_FALSE(rig.view.timer);
            EXPECT_FALSE(rig.view.progress);
            EXPECT_FALSE(rig.view.held);
            if (operation.reads == Reads::everything) {
                for (const Field field : list_fields())
                    EXPECT_EQ(rig.view.lists[field], list_text(field, rig.panel.params()[field]));
            }
        }
    }
}

// A read-back that fails while an upload runs halts it; the controls come back.
TEST(PanelFaults, RefusedReadBackDuringAnUploadStopsIt) {
    for (const Fault& fault : kFaults) {
        SCOPED_TRACE(fault.name);
        Bench bench(fault);
        PanelRig& rig = *bench.rig;
        rig.panel.import_set(kImported);
        rig.panel.tick();
        rig.panel.tick();
        const std::size_t messages_before = rig.view.messages.size();
        const std::size_t outcomes_before = rig.view.outcomes.size();
        rig.panel.read_back();
        EXPECT_EQ(rig.view.timer, !fault.requests_refused);
        EXPECT_EQ(rig.view.held, !fault.requests_refused);
        EXPECT_EQ(failures(rig, outcomes_before, messages_before),
                  (Failures{0, fault.requests_refused ? 1 : 0, unanswered(fault, 1)}));
        EXPECT_EQ(rig.view.all<UploadStopped>().size(), fault.requests_refused ? 1u : 0u);
        rig.run_upload();
        EXPECT_FALSE(rig.view.progress);
        EXPECT_FALSE(rig.view.held);
        EXPECT_EQ(rig.instrument.violations(), 0);
    }
}
