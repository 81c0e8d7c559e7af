// Start-up restores the last values from open.qini; closing writes them back.
#include "ui_rig.h"

#include "settings/auto_file.h"
#include "settings/settings_file.h"

#include <QStatusBar>

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

const SettingsTexts kLast{"双", "05", "250", "外部", "1000", "30", "300", "kHz", "1.67", "80"};

SettingsTexts display(const UiRig& rig) {
    return rig.window->panel().params().texts();
}

void write_auto_file(UiRig& rig, const SettingsTexts& texts) {
    ASSERT_TRUE(save_auto_file(rig.folders, texts).isEmpty());
}

} // namespace

TEST(StartUp, RestoresLabelsListTextsAndFieldsWithoutAnInstrument) {
    UiRig rig;
    rig.instrument.faults.absent = true;
    write_auto_file(rig, kLast);
    rig.start();
    EXPECT_EQ(display(rig), kLast);
    EXPECT_EQ(rig.label("Label14"), "双");
    EXPECT_EQ(rig.label("Label21"), "1.67");
    const QStringList lists{
        rig.list(Field::mode)->currentText(),    rig.list(Field::prf)->currentText(),
        rig.list(Field::trigger)->currentText(), rig.list(Field::damping)->currentText(),
        rig.list(Field::lpf)->currentText(),     rig.list(Field::hpf_unit)->currentText()};
    EXPECT_EQ(lists, (QStringList{"双", "1000Hz", "外部", "80", "30MHz", "1kHz"}));
    EXPECT_EQ(rig.entry(Field::gain)->text(), "05");
    EXPECT_EQ(rig.entry(Field::voltage)->text(), "250");
    EXPECT_EQ(rig.entry(Field::pw)->text(), "300");
    EXPECT_EQ(rig.message_texts(), std::vector<QString>{"数据通信失败！仪器和计算机无法连接"});
    EXPECT_EQ(rig.writes(), 1); // the read request, refused
}

TEST(StartUp, FillsTheListsAfterTheirTextsWithNoEntrySelected) {
    UiRig rig;
    write_auto_file(rig, kLast);
    rig.start();
    const std::vector<int> counts{
        rig.list(Field::mode)->count(),    rig.list(Field::prf)->count(),
        rig.list(Field::trigger)->count(), rig.list(Field::damping)->count(),
        rig.list(Field::lpf)->count(),     rig.list(Field::hpf_unit)->count()};
    EXPECT_EQ(counts, (std::vector<int>{2, 6, 2, 4, 2, 2}));
    EXPECT_EQ(rig.list(Field::damping)->itemText(0), "400");
    EXPECT_EQ(rig.list(Field::lpf)->itemText(0), "30MHz");
    for (ChoiceCombo* combo : rig.ui().lists())
        EXPECT_EQ(combo->currentIndex(), -1);
    EXPECT_EQ(rig.list(Field::damping)->currentText(),
              "80"); // the restored text, not the first entry
    // The instrument's values replace the display, not the list texts.
    EXPECT_EQ(rig.label("Label19"), "50");
    EXPECT_TRUE(rig.applied().empty());
}

TEST(StartUp, MissingOrDamagedFileKeepsTheInitialTexts) {
    for (const QByteArray& content : {QByteArray(), QByteArray("\"双\"\r\n\"20\"\r\n")}) {
        UiRig rig;
        rig.instrument.faults.absent = true;
        if (!content.isNull()) {
            QFile file(rig.program_dir.path() + "/open.qini");
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
        }
        rig.start();
        EXPECT_EQ(display(rig), param_set().texts());
        EXPECT_EQ(rig.list(Field::prf)->currentText(), "1000Hz");
        EXPECT_EQ(rig.entry(Field::pw)->text(), "200");
        // A damaged file is reported before the read-back's own message; a missing one is not.
        ASSERT_EQ(rig.messages.size(), content.isNull() ? 1u : 2u);
        if (!content.isNull()) {
            EXPECT_TRUE(rig.messages[0].text.startsWith("上次的参数无法恢复"));
            EXPECT_TRUE(rig.messages[0].text.contains("open.qini"));
        }
    }
}

TEST(StartUp, TheSimulatorSaysSoInTheCaptionAndTheFirstPanelARealLibraryNever) {
    for (const bool real : {false, true}) {
        UiRig rig;
        rig.as_real_instrument = real;
        rig.start();
        const QString caption = "QLM-5120RX控制软件（V1.1）";
        EXPECT_EQ(rig.window->windowTitle(), real ? caption : caption + "（模拟仪器）");
        EXPECT_EQ(rig.ui().panels[0]->text(), real ? "仪器已连接" : "模拟仪器  仪器已连接");
        EXPECT_EQ(rig.display_texts()[1], "0"); // the same instrument either way
    }
}

TEST(StartUp, StatusBarPanels) {
    UiRig rig;
    rig.as_real_instrument = true;
    rig.start();
    QStatusBar* bar = rig.ui().StatusBar1;
    EXPECT_EQ(bar->findChild<QLabel*>("Panel1")->text(), "仪器已连接");
    EXPECT_EQ(bar->findChild<QLabel*>("Panel2")->text(), " ");
    EXPECT_EQ(bar->findChild<QLabel*>("Panel3")->text(), "Kavronix ");
    EXPECT_TRUE(bar->findChild<QLabel*>("Panel4")->text().endsWith(' '));
    EXPECT_FALSE(rig.window->Timer1()->isActive());
}

TEST(Shutdown, WritesWhatTheDisplayShowsAndTheNextStartShowsIt) {
    UiRig first;
    first.instrument.faults.absent = true;
    write_auto_file(first, kLast);
    first.start();
    first.close();
    const LoadResult saved = load_settings_file(first.program_dir.path() + "/open.qini");
    ASSERT_TRUE(saved.fields);
    EXPECT_EQ(*saved.fields, kLast);

    first.instrument.faults = {};
    first.messages.clear();
    first.start();
    first.choose(Field::damping, 1);
    first.close();
    UiRig second;
    second.folders = first.folders;
    second.instrument.faults.absent = true;
    second.start();
    EXPECT_EQ(second.label("Label19"), "150");
    EXPECT_EQ(second.label("Label2"), "200"); // read back from the instrument before closing
}

TEST(Shutdown, AProgramFolderThatCannotBeWrittenDoesNotLoseTheValues) {
    UiRig rig;
    rig.folders.program_folder = rig.write_file("not-a-folder", "x"); // a regular file
    rig.start();
    rig.choose(Field::mode, 1);
    rig.close();
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_TRUE(QFile::exists(rig.folders.config_folder + "/open.qini"));

    UiRig next;
    next.folders = rig.folders;
    next.instrument.faults.absent = true;
    next.start();
    EXPECT_EQ(next.label("Label14"), "双");
}

TEST(Shutdown, NoFolderCanBeWrittenSaysSoAndStillCloses) {
    UiRig rig;
    const QString file = rig.write_file("plain", "x");
    rig.folders.program_folder = file + "/a";
    rig.folders.config_folder = file + "/b";
    rig.start();
    rig.window->show();
    rig.close();
    EXPECT_FALSE(rig.window->isVisible());
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_EQ(rig.messages[0].title, "错误");
    EXPECT_TRUE(rig.messages[0].text.contains("open.qini"));
}
