// An imported set: shown, then uploaded over thirteen ticks; what stops the upload.
#include "panel_rig.h"
#include "sim_cases.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

// An import, and the upload running as far as `ticks`.
void import_and_tick(PanelRig& rig, int ticks) {
    rig.panel.start(std::nullopt);
    rig.panel.import_set(kExampleSet);
    for (int i = 0; i < ticks; ++i)
        rig.panel.tick();
}

// Timer stopped, progress hidden, controls given back.
void expect_idle(const PanelRig& rig) {
    EXPECT_FALSE(rig.view.timer);
    EXPECT_FALSE(rig.view.progress);
    EXPECT_FALSE(rig.view.held);
    EXPECT_FALSE(rig.panel.uploading());
}

} // namespace

TEST(Upload, AnImportShowsTheSetThenSendsNineCommandsOverThirteenTicks) {
    PanelRig rig;
    import_and_tick(rig, 0);
    EXPECT_EQ(rig.display(), kExampleSetShown);
    EXPECT_EQ(rig.view.lists[Field::prf], "500Hz");
    EXPECT_EQ(rig.view.lists[Field::lpf], "30MHz");
    EXPECT_EQ(rig.view.lists[Field::hpf_unit], "1MHz");
    EXPECT_EQ(rig.view.entries[Field::pw], "6500");
    EXPECT_TRUE(rig.applied().empty()); // nothing before the first tick
    EXPECT_TRUE(rig.view.held);
    EXPECT_EQ(rig.view.progress, 0);
    EXPECT_TRUE(rig.view.timer);

    std::vector<int> values;
    std::vector<std::size_t> sent_after;
    while (rig.view.timer) {
        rig.panel.tick();
        values.push_back(rig.panel.upload_step());
        sent_after.push_back(rig.applied().size());
        if (rig.view.timer) {
            EXPECT_EQ(rig.view.progress, rig.panel.upload_step());
        }
    }
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    // Ticks 3, 5, 8 and 10 send nothing; damping goes out in the tick that ends it.
    EXPECT_EQ(sent_after, (std::vector<std::size_t>{1, 2, 2, 3, 3, 4, 5, 5, 6, 6, 7, 8, 9}));
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
    EXPECT_EQ(rig.instrument.violations(), 0);
    expect_idle(rig);
    rig.panel.tick(); // a late tick does nothing
    EXPECT_EQ(rig.applied().size(), 9u);
}

// What a file holds that the instrument cannot take is neither sent nor shown, and named;
// what the entry fields would round is rounded; what a correct export holds loads as it is.
TEST(Upload, EachFieldIsShownAsItIsSentOrKeptAndNamed) {
    using N = ImportNote;
    struct Case {
        SettingsTexts file;
        SettingsTexts shown; // after the import, over the initial display
        Applied sent;
        std::vector<std::pair<Field, N::Kind>> notes;
    };
    const Case cases[] = {
        // Work mode, gain 70, voltage 112.5 and damping 5000 cannot go; "1000Hz" is the list
        // form of 1000, which the width 6000 brings down to 500; the probe follows the width.
        {{"三", "70", "112.5", "内部", "1000Hz", "30", "6000", "MHz", "9.99", "5000"},
         {"单", "0", "100", "内部", "500", "30", "6000", "MHz", "0.08", "50"},
         {{3, 0, 0}, {4, 3, 0}, {5, 1, 0}, {6, 112, 23}, {7, 1, 0}},
         {{Field::mode, N::not_applied},
          {Field::gain, N::not_applied},
          {Field::voltage, N::not_applied},
          {Field::damping, N::not_applied},
          {Field::prf, N::lowered}}},
        // Rounded as typed: 130 V to 125 V; 1234 ns, a read-back's width, goes as it is.
        {{"双", "999", "130", "外部", "300", "X", "1234", "", "", ""},
         {"双", "0", "125", "外部", "1000", "10", "1234", "MHz", "0.41", "50"},
         {{0, 1, 0}, {2, 5, 0}, {3, 1, 0}, {6, 210, 4}},
         {{Field::gain, N::not_applied},
          {Field::voltage, N::rounded},
          {Field::prf, N::not_applied},
          {Field::lpf, N::not_applied},
          {Field::hpf_unit, N::not_applied},
          {Field::damping, N::not_applied}}},
        {{"", "", "", "", "", "", "", "", "", ""},
         {"单", "0", "100", "内部", "1000", "10", "200", "MHz", "2.50", "50"},
         {},
         {{Field::mode, N::not_applied},
          {Field::gain, N::not_applied},
          {Field::voltage, N::not_applied},
          {Field::trigger, N::not_applied},
          {Field::prf, N::not_applied},
          {Field::lpf, N::not_applied},
          {Field::pw, N::not_applied},
          {Field::hpf_unit, N::not_applied},
          {Field::damping, N::not_applied}}},
        // "-150" is the magnitude 150, as the entry field takes it.
        {{"单", "05", "-150", "内部", "5000", "10", "995", "kHz", "0.50", "400"},
         {"单", "05", "150", "内部", "5000", "10", "995", "kHz", "0.50", "400"},
         {{0, 0, 0},
          {1, 55, 0},
          {2, 6, 0},
          {3, 0, 0},
          {4, 6, 0},
          {5, 0, 0},
          {6, 227, 3},
          {7, 0, 0},
          {8, 4, 0}},
         {{Field::voltage, N::rounded}}},
        {kExampleSet, kExampleSetShown, kExampleSetFrames, {{Field::prf, N::lowered}}},
    };
    for (const Case& c : cases) {
        const std::string what = c.file[1] + " " + c.file[2];
        PanelRig rig;
        rig.panel.start(std::nullopt);
        rig.panel.import_set(c.file);
        EXPECT_EQ(rig.display(), c.shown) << what;
        EXPECT_EQ(rig.run_upload(), 13);
        EXPECT_EQ(rig.applied(), c.sent) << what;
        std::vector<std::pair<Field, N::Kind>> notes;
        const auto imported = rig.view.all<Imported>();
        for (const ImportNote& note : imported.at(0).notes)
            notes.emplace_back(note.field, note.kind);
        EXPECT_EQ(notes, c.notes) << what;
        // An error box when something was not sent; values taken otherwise get an
        // information box, which the rig does not record.
        bool refused = false;
        for (const auto& [field, kind] : c.notes)
            refused = refused || kind == N::not_applied;
        EXPECT_EQ(rig.view.messages.size(), refused ? 1u : 0u) << what;
        EXPECT_EQ(rig.instrument.rejected_values(), 0);
    }
}

// The PRF goes out before the width unless the new PRF needs the new width: then the width
// goes first, so the instrument never runs a PRF its width does not allow.
TEST(Upload, APrfTheOldWidthDoesNotAllowWaitsForTheNewWidth) {
    struct Case {
        const char* width_before;
        const char* file_prf;
        const char* file_width;
        std::string order; // codes of the PRF and the width as they go out
    };
    for (const Case& c : {Case{"200", "5000", "200", "46"},
                          {"6500", "5000", "200", "64"},
                          {"6500", "500", "200", "46"},
                          {"200", "5000", "6500", "46"}, // lowered to 500: fine for both
                          {"1500", "2000", "995", "46"},
                          {"2000", "2000", "995", "64"}}) {
        PanelRig rig;
        rig.panel.start(std::nullopt);
        rig.panel.apply_settings_fields(
            {"单", "0", "100", "内部", "500", "10", c.width_before, "MHz", "", "50"});
        SettingsTexts file = kExampleSet;
        file[static_cast<std::size_t>(Field::prf)] = c.file_prf;
        file[static_cast<std::size_t>(Field::pw)] = c.file_width;
        rig.panel.import_set(file);
        rig.run_upload();
        std::string order;
        for (const auto& frame : rig.applied()) {
            if (frame[0] == 4 || frame[0] == 6) order += static_cast<char>('0' + frame[0]);
        }
        EXPECT_EQ(order, c.order) << c.width_before << " " << c.file_prf << " " << c.file_width;
    }
}

TEST(Upload, WithoutAnInstrumentEveryCommandReportsAndTheUploadGoesOn) {
    PanelRig rig;
    rig.instrument.faults.absent = true;
    import_and_tick(rig, 0);
    rig.view.messages.clear();
    EXPECT_EQ(rig.run_upload(), 13);
    EXPECT_EQ(rig.view.messages, std::vector<std::string>(9, kConnectionFailed));
    expect_idle(rig);
}

TEST(Upload, AKeyInAnEntryOrAButtonStopsItAndGivesTheControlsBack) {
    for (const Field field : entry_fields()) {
        for (const bool button : {false, true}) {
            PanelRig rig;
            import_and_tick(rig, 2);
            if (button)
                rig.panel.press_button(field, "x");
            else
                rig.panel.entry_key(field);
            expect_idle(rig);
            rig.panel.tick();
            EXPECT_EQ(rig.applied().size(), 2u);
        }
    }
}

TEST(Upload, ARefusedReadRequestStopsItAFailedAnswerDoesNot) {
    for (const bool width_only : {false, true}) {
        PanelRig rig;
        import_and_tick(rig, 1);
        rig.instrument.faults.answer = true;
        if (width_only)
            rig.panel.open_list(Field::prf);
        else
            rig.panel.read_back();
        EXPECT_TRUE(rig.view.timer);
        EXPECT_TRUE(rig.view.held);
        rig.instrument.faults.request = true;
        if (width_only)
            rig.panel.open_list(Field::prf);
        else
            rig.panel.read_back();
        expect_idle(rig);
        std::vector<std::string> said{kConnectionFailed};
        if (!width_only) said.insert(said.begin(), texts::kNoAnswer); // the menu's read asked
        EXPECT_EQ(rig.view.messages, said);
    }
}

TEST(Upload, TicksDuringASendAreQueuedBehindIt) {
    PanelRig rig;
    import_and_tick(rig, 0);
    // Each send's wait lets the next tick run, as a slow machine would.
    for (int i = 0; i < 20; ++i)
        rig.view.during_wait.push_back([&] { rig.panel.tick(); });
    rig.panel.tick();
    rig.run_upload();
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
    EXPECT_EQ(rig.instrument.violations(), 0);
    expect_idle(rig);
}

TEST(Upload, ANewImportStartsAgainFromTheFirstStep) {
    PanelRig rig;
    import_and_tick(rig, 4);
    rig.panel.entry_key(Field::gain);
    rig.panel.import_set(kExampleSet);
    EXPECT_EQ(rig.view.progress, 0);
    EXPECT_EQ(rig.run_upload(), 13);
    EXPECT_EQ(rig.applied().size(), 3u + 9u);
}
