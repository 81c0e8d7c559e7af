// Export and import through the window: dialogs, files, and the controls, bar and timer of
// the upload that follows an import.
#include "sim_cases.h"
#include "ui_rig.h"

#include "settings/settings_file.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

QString saved(UiRig& rig, const SettingsTexts& texts) {
    const QString path = rig.config_dir.path() + "/set.qini";
    EXPECT_TRUE(save_settings_file(path, texts).isEmpty());
    return path;
}

bool controls_enabled(const UiRig& rig) {
    bool all = rig.button(Field::gain)->isEnabled() && rig.button(Field::voltage)->isEnabled() &&
               rig.button(Field::pw)->isEnabled();
    for (ChoiceCombo* combo : rig.ui().lists())
        all = all && combo->isEnabled();
    return all;
}

bool controls_disabled(const UiRig& rig) {
    bool none = !rig.button(Field::gain)->isEnabled() && !rig.button(Field::voltage)->isEnabled() &&
                !rig.button(Field::pw)->isEnabled();
    for (ChoiceCombo* combo : rig.ui().lists())
        none = none && !combo->isEnabled();
    return none;
}

} // namespace

TEST(Import, ShowsTheFileHoldsTheControlsAndRunsTheUploadOnTheTimer) {
    UiRig rig;
    rig.start();
    rig.open_answer = saved(rig, kExampleSet);
    rig.trigger(rig.ui().open);
    EXPECT_EQ(rig.dialog_titles, std::vector<QString>{"导入文件"});
    EXPECT_EQ(rig.label("Label14"), "双");
    EXPECT_EQ(rig.label("Label21"), "0.08");
    // The file's PRF of 1000 Hz, which its width does not allow, comes down to 500 Hz; the
    // operator is told before the upload starts.
    EXPECT_EQ(rig.list(Field::prf)->currentText(), "500Hz");
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "导入设置");
    EXPECT_EQ(rig.messages[0].text, "设置文件中以下参数没有按文件下发：\n重复频率 “1000”："
                                    "超出脉冲宽度允许的重复频率，降为 500Hz");
    EXPECT_EQ(rig.list(Field::lpf)->currentText(), "30MHz");
    EXPECT_EQ(rig.list(Field::hpf_unit)->currentText(), "1MHz");
    EXPECT_EQ(rig.entry(Field::pw)->text(), "6500");
    EXPECT_TRUE(rig.applied().empty()); // nothing before the first tick
    EXPECT_TRUE(controls_disabled(rig));
    EXPECT_TRUE(rig.entry(Field::voltage)->isEnabled());
    QProgressBar* bar = rig.ui().ProgressBar1;
    EXPECT_FALSE(bar->isHidden());
    EXPECT_EQ(bar->maximum(), 13);
    EXPECT_EQ(rig.window->Timer1()->interval(), 200);

    // The timer's ticks reach the panel; the bar follows them.
    std::vector<int> values;
    while (rig.window->Timer1()->isActive()) {
        rig.tick();
        values.push_back(bar->value());
    }
    EXPECT_EQ(values, (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13}));
    EXPECT_EQ(rig.applied(), kExampleSetFrames);
    EXPECT_EQ(rig.instrument.violations(), 0);
    EXPECT_TRUE(bar->isHidden());
    EXPECT_TRUE(controls_enabled(rig));
}

TEST(Import, CancelledOrFailedImportChangesNothing) {
    UiRig rig;
    rig.start();
    rig.trigger(rig.ui().open); // cancelled: no path
    EXPECT_FALSE(rig.window->Timer1()->isActive());
    EXPECT_TRUE(controls_enabled(rig));
    EXPECT_TRUE(rig.messages.empty());

    rig.open_answer = rig.write_file("short.qini", "\"双\"\r\n\"20\"\r\n");
    rig.trigger(rig.ui().open);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_TRUE(rig.messages[0].text.startsWith("导入失败："));
    EXPECT_TRUE(rig.messages[0].text.contains("short.qini"));
    EXPECT_EQ(rig.label("Label14"), "单");
    EXPECT_FALSE(rig.window->Timer1()->isActive());
    EXPECT_TRUE(rig.ui().ProgressBar1->isHidden());
}

TEST(Upload, AKeyInAnEntryFieldStopsItAndGivesTheControlsBack) {
    for (int field = 0; field < 3; ++field) {
        UiRig rig;
        rig.start();
        rig.open_answer = saved(rig, kExampleSet);
        rig.trigger(rig.ui().open);
        rig.tick();
        rig.tick();
        EntryField* entry = std::array{rig.entry(Field::voltage), rig.entry(Field::pw),
                                       rig.entry(Field::gain)}[field];
        rig.press(entry, Qt::Key_A); // even a discarded key
        EXPECT_FALSE(rig.window->Timer1()->isActive()) << field;
        EXPECT_TRUE(rig.ui().ProgressBar1->isHidden());
        EXPECT_TRUE(controls_enabled(rig));
        EXPECT_EQ(rig.applied().size(), 2u);
    }
}

TEST(Export, WritesTheTenDisplayTextsAndReimportsThem) {
    UiRig rig({1, 55, 12, 1, 2, 1, 220, 0, 0, 4});
    rig.start();
    rig.save_answer = rig.config_dir.path() + "/out.qini";
    rig.trigger(rig.ui().save);
    EXPECT_EQ(rig.dialog_titles, std::vector<QString>{"导出文件"});
    const LoadResult back = load_settings_file(rig.save_answer);
    ASSERT_TRUE(back.fields) << back.error.toStdString();
    EXPECT_EQ(*back.fields,
              (SettingsTexts{"双", "5", "300", "外部", "200", "30", "220", "kHz", "2.27", "400"}));

    UiRig other;
    other.start();
    other.open_answer = rig.save_answer;
    other.trigger(other.ui().open);
    EXPECT_EQ(other.window->panel().params(), rig.window->panel().params());
}

TEST(Export, AFailedWriteSaysSo) {
    UiRig rig;
    rig.start();
    rig.save_answer = rig.write_file("plain", "x") + "/below-a-file.qini";
    rig.trigger(rig.ui().save);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(rig.messages[0].text.startsWith("导出失败："));
    rig.messages.clear();
    rig.save_answer.clear(); // cancelled
    rig.trigger(rig.ui().save);
    EXPECT_TRUE(rig.messages.empty());
}
