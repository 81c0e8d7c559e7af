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
    EXPECT_EQ(rig.display(), kExampleSet);
    EXPECT_EQ(rig.view.lists[Field::prf], "1000Hz");
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

TEST(Upload, TextsTheInstrumentCannotTakeAreShownButNotSent) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    const SettingsTexts odd{"三", "70",   "112.5", "内部", "1000Hz",
                            "30", "6000", "MHz",   "9.99", "5000"};
    rig.panel.import_set(odd);
    EXPECT_EQ(rig.display(), odd);
    EXPECT_EQ(rig.run_upload(), 13);
    // Work mode, gain 70, PRF "1000Hz" and damping 5000 have no encoding: skipped.
    EXPECT_EQ(rig.applied(), (Applied{{2, 4, 0}, {3, 0, 0}, {5, 1, 0}, {6, 112, 23}, {7, 1, 0}}));
    EXPECT_TRUE(rig.view.messages.empty());
    EXPECT_EQ(rig.instrument.rejected_values(), 0);
}

TEST(Upload, ImportedValuesMeetNoInterlock) {
    PanelRig rig;
    rig.panel.start(std::nullopt);
    SettingsTexts texts = kExampleSet;
    texts[static_cast<std::size_t>(Field::prf)] = "5000";
    texts[static_cast<std::size_t>(Field::pw)] = "6000";
    rig.panel.import_set(texts);
    rig.run_upload();
    EXPECT_EQ(rig.view.shown[Field::prf], "5000");
    EXPECT_EQ(rig.view.shown[Field::probe_freq], "0.08"); // as imported, not recomputed
    EXPECT_EQ(rig.applied()[4], (std::array<std::uint8_t, 3>{4, 6, 0}));
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
        EXPECT_EQ(rig.view.messages, std::vector<std::string>{kConnectionFailed});
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
