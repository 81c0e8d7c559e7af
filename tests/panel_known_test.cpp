// What the panel knows of the instrument: which shown values it confirmed, and whether it
// answers, through start-up, sends, read-backs and checks under the simulator's faults.
#include "panel_rig.h"

#include <gtest/gtest.h>

#include <ctime>

using namespace qlm;
using namespace qlm::testing;

namespace {

using Fields = std::vector<Field>;
const Fields kNine{Field::mode, Field::gain, Field::voltage,  Field::trigger, Field::prf,
                   Field::lpf,  Field::pw,   Field::hpf_unit, Field::damping};

struct Case {
    const char* name;
    sim::Faults at_start;
    std::function<void(PanelRig&)> then; // faults cleared first unless it sets them
    Fields unconfirmed;                  // of the nine
    bool answers;
};

const std::vector<Case> kCases = {
    {"answered start-up", {}, [](PanelRig&) {}, {}, true},
    {"no instrument at start",
     {true, false, false, false},
     [](PanelRig& r) { r.instrument.faults.absent = true; },
     kNine,
     false},
    {"no answer at start",
     {false, false, false, true},
     [](PanelRig& r) { r.instrument.faults.answer = true; },
     kNine,
     false},
    {"a send not taken",
     {},
     [](PanelRig& r) {
         r.instrument.faults.absent = true;
         r.panel.choose(Field::damping, 2);
     },
     {Field::damping},
     false},
    {"the next delivered send confirms",
     {},
     [](PanelRig& r) {
         r.instrument.faults.data = true;
         r.panel.choose(Field::damping, 2);
         r.instrument.faults.data = false;
         r.panel.choose(Field::damping, 2);
     },
     {},
     true},
    {"a read-back confirms",
     {true, false, false, false},
     [](PanelRig& r) { r.panel.read_back(); },
     {},
     true},
    {"a check finds what changed behind the display",
     {},
     [](PanelRig& r) {
         r.instrument.set_settings(kExampleSettings);
         r.panel.check_instrument();
     },
     {Field::gain, Field::lpf, Field::pw, Field::damping},
     true},
    {"an import not yet uploaded",
     {},
     [](PanelRig& r) { r.panel.import_set(kExampleSet); },
     {Field::mode, Field::gain, Field::trigger, Field::prf, Field::lpf, Field::pw, Field::damping},
     true},
    {"an import uploaded",
     {},
     [](PanelRig& r) {
         r.panel.import_set(kExampleSet);
         r.run_upload();
     },
     {},
     true},
};

} // namespace

TEST(PanelKnown, ConfirmedValuesAndPresence) {
    for (const Case& each : kCases) {
        SCOPED_TRACE(each.name);
        PanelRig rig;
        rig.instrument.faults = each.at_start;
        rig.panel.start(std::nullopt);
        rig.instrument.faults = {};
        each.then(rig);
        Fields unconfirmed;
        for (const Field field : kNine)
            if (!rig.panel.confirmed(field)) unconfirmed.push_back(field);
        EXPECT_EQ(unconfirmed, each.unconfirmed);
        // The probe frequency goes with the width.
        EXPECT_EQ(rig.panel.confirmed(Field::probe_freq), rig.panel.confirmed(Field::pw));
        ASSERT_TRUE(rig.panel.known().presence());
        EXPECT_EQ(rig.panel.known().presence()->answered, each.answers);
    }
}

// Unanswered since the first failure of a run, answered again from the first success.
TEST(PanelKnown, PresenceDatesFromTheFirstExchangeOfItsRun) {
    std::tm local{};
    local.tm_year = 124, local.tm_mday = 1, local.tm_hour = 14, local.tm_min = 3, local.tm_sec = 7;
    local.tm_isdst = -1;
    WallClock::time_point now = WallClock::from_time_t(std::mktime(&local));
    Known known([&now] { return now; });
    EXPECT_EQ(texts::presence(known.presence()), "");
    const WallClock::time_point first = now;
    for (const bool answered : {false, false, true, true}) {
        known.exchange(answered);
        EXPECT_EQ(known.presence()->since, answered ? first + std::chrono::seconds(2) : first);
        EXPECT_EQ(known.presence()->last, now);
        EXPECT_EQ(texts::presence(known.presence()),
                  answered ? "仪器已连接" : "仪器无应答（14:03:07）");
        now += std::chrono::seconds(1);
    }
}
