// The watch: the instrument unplugged, replugged, power-cycled or changed by a program that
// ignores the lock, as the window and `serve` (the interpreter over its panel) see it; then
// Restore.
#include "record/journal_line.h"
#include "remote_rig.h"
#include "ui_rig.h"

#include "panel/outcome_hook.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

// Gain 10 dB, damping 80 Ω, as the instrument holds them after its power cycle.
constexpr sim::Settings kAfter{1, 60, 8, 1, 3, 1, 232, 3, 0, 2};
constexpr int kDamping400 = 0; // its list's first entry

// Steps: u unplug, r replug, w the watch's look, o the operator chooses damping 400 (which
// the unplugged instrument cannot take), s the settings rewritten behind the program's back.
struct Case {
    const char* name;
    const char* steps;
    const char* gain;       // shown and queried after the last look
    const char* damping;    // shown
    bool damping_confirmed; // else marked
    const char* hint;       // the status bar's words start so
    const char* event;      // the journal's line for the last look
};
const Case kCases[] = {
    {"unplug", "uw", "20", "150", true, "仪器无应答，自动读取失败", "read_back"},
    {"replug", "uwrw", "20", "150", true, "仪器已重新连接，参数未变", "read_back"},
    {"power cycle", "uwosrw", "10", "400", false,
     "仪器参数被外部改变（可能重新上电）：工作模式 单→双，接收增益 20dB→10dB", "changed_outside"},
    {"unlocked writer", "sw", "10", "80", true,
     "仪器参数被外部改变（可能重新上电）：工作模式 单→双，接收增益 20dB→10dB", "changed_outside"},
};

// What one front end shows after the steps, and its Restore.
struct Seen {
    std::string gain_shown, gain_query, damping;
    bool damping_confirmed;
    std::string hint;
    std::string journal; // the last look's line
    bool restorable;
};

std::string journal_of(const std::vector<Outcome>& outcomes) {
    for (auto it = outcomes.rbegin(); it != outcomes.rend(); ++it) {
        const auto* read = std::get_if<ReadBack>(&*it);
        if (read && read->kind == ReadKind::watch) return *journal_line(*it, {"t", "p", true});
    }
    return {};
}

void run_steps(sim::SimInstrument& instrument, const char* steps, const std::function<void()>& look,
               const std::function<void()>& choose) {
    for (const char* step = steps; *step; ++step) {
        switch (*step) {
        case 'u':
            instrument.faults.absent = true;
            break;
        case 'r':
            instrument.faults.absent = false;
            break;
        case 'w':
            look();
            break;
        case 'o':
            choose();
            break;
        case 's':
            instrument.set_settings(kAfter);
            break;
        }
    }
}

Seen window_sees(const Case& c, bool restore) {
    UiRig rig(kExampleSettings);
    std::vector<Outcome> recorded;
    outcome_hook() = [&recorded](const Outcome& outcome) { recorded.push_back(outcome); };
    rig.start();
    EXPECT_EQ(rig.window->watch_interval_ms(), 3000); // the look comes within 3 s
    run_steps(
        rig.instrument, c.steps, [&] { rig.window->watch_instrument(); },
        [&] { rig.choose(Field::damping, kDamping400); });
    outcome_hook() = nullptr;
    const Panel& panel = rig.panel();
    Seen seen{rig.ui().of(Field::gain).value->text().toStdString(),
              remote::Interpreter::answer_text(Field::gain, panel.params().gain),
              rig.ui().of(Field::damping).value->text().toStdString(),
              panel.confirmed(Field::damping),
              rig.ui().panels[1]->text().toStdString(),
              journal_of(recorded),
              rig.ui().restore->isEnabled()};
    if (restore && seen.restorable) {
        rig.messages.clear();
        rig.trigger(rig.ui().restore);
        rig.run_upload();
        rig.trigger(rig.ui().seting3);
        EXPECT_EQ(rig.message_texts(), std::vector<QString>{"仪器参数与显示面板一致。"});
        EXPECT_FALSE(rig.ui().restore->isEnabled());
    }
    return seen;
}

Seen serve_sees(const Case& c, bool restore) {
    RemoteRig rig(kExampleSettings);
    rig.panel.start(std::nullopt);
    run_steps(
        rig.instrument, c.steps, [&] { rig.panel.watch(); }, [&] { rig.send("DAMP 400"); });
    std::string hint;
    for (const auto& read : rig.view.all<ReadBack>())
        if (read.kind == ReadKind::watch) hint = texts::watch_hint(read);
    Seen seen{rig.view.shown.at(Field::gain),
              rig.send("GAIN?"),
              rig.view.shown.at(Field::damping),
              rig.panel.confirmed(Field::damping),
              hint,
              journal_of(rig.view.outcomes),
              rig.panel.kept().has_value()};
    rig.error_codes();
    if (restore && seen.restorable) {
        EXPECT_EQ(rig.send("INST:REST;*OPC?"), "1");
        EXPECT_EQ(rig.send("INST:CHEC?"), "0");
        EXPECT_EQ(rig.error_codes(), "");
    }
    if (!rig.panel.kept()) {
        rig.send("INST:REST");
        EXPECT_EQ(rig.error_codes(), "-221");
    }
    return seen;
}

} // namespace

TEST(Watch, EachEventInTheWindowAndInServe) {
    for (const Case& c : kCases) {
        for (const bool window : {true, false}) {
            const std::string where = std::string(c.name) + (window ? " / window" : " / serve");
            const Seen seen = window ? window_sees(c, true) : serve_sees(c, true);
            EXPECT_EQ(seen.gain_shown, c.gain) << where;
            EXPECT_EQ(seen.gain_query, c.gain) << where;
            EXPECT_EQ(seen.damping, c.damping) << where;
            EXPECT_EQ(seen.damping_confirmed, c.damping_confirmed) << where;
            EXPECT_EQ(seen.hint.rfind(c.hint, 0), 0u) << where << ": " << seen.hint;
            EXPECT_NE(seen.journal.find(std::string("\"event\":\"") + c.event + "\""),
                      std::string::npos)
                << where << ": " << seen.journal;
            const bool changed = std::string(c.event) == "changed_outside";
            EXPECT_EQ(seen.restorable, changed) << where;
            if (changed) {
                EXPECT_NE(seen.journal.find(texts::kChangedOutside), std::string::npos) << where;
                EXPECT_NE(seen.journal.find("{\"field\":\"gain\""), std::string::npos) << where;
            }
        }
    }
}
