// The command line and the window side by side over the simulator: the same rules, the same
// upload frames, the same export bytes, and a comparison that finds what the window shows.
#include "cli_rig.h"
#include "rule_cases.h"
#include "ui_rig.h"

#include "files/qini_store.h"
#include "params/descriptor.h"
#include "settings/settings_file.h"

#include <gtest/gtest.h>

using namespace qlm;
using namespace qlm::testing;

namespace {

// The entry chosen in the opened list, or the text typed and confirmed with Enter.
void operate(UiRig& rig, Field field, const QString& value) {
    const FieldControls& controls = rig.ui().of(field);
    if (ChoiceCombo* list = controls.list) {
        list->showPopup();
        QAbstractItemView* view = list->view();
        const QModelIndex index = view->model()->index(list->findText(value), 0);
        ASSERT_TRUE(index.isValid()) << value.toStdString();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(index).center());
        return;
    }
    controls.entry->setFocus();
    controls.entry->clear();
    rig.type(controls.entry, value);
    rig.press(controls.entry, Qt::Key_Return);
}

QByteArray file_bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(CliAndWindow, AgreeOnEveryRule) {
    for (const RuleCase& c : rule_cases()) {
        const std::string what = std::string(c.name) + " " + c.value;
        const Field field = *field_named(c.name);
        const Applied& sent = c.sent;

        CliRig cli(c.start);
        const CliResult result = cli.run({"set", c.name, c.value});
        EXPECT_EQ(result.status, c.refusal ? cli::kRefused : cli::kDone) << what;
        EXPECT_EQ(cli.instrument.applied(), sent) << what;
        if (c.refusal) {
            EXPECT_TRUE(contains(result.err, c.refusal)) << what << ": " << result.err;
        } else {
            EXPECT_TRUE(
                contains(result.out, std::string(c.name) + "=" + shown_text(field, c.shown)))
                << what << ": " << result.out;
        }
        EXPECT_FALSE(contains(result.out, "仅显示 prf=")) << what;
        if (c.prf_after) {
            EXPECT_TRUE(contains(result.out, std::string("已发送 prf=") + c.prf_after + "Hz"));
        }

        UiRig rig(c.start);
        rig.start();
        const QString prf_before = rig.ui().of(Field::prf).value->text();
        operate(rig, field, QString::fromUtf8(c.value));
        EXPECT_EQ(rig.applied(), sent) << what;
        EXPECT_EQ(rig.ui().of(field).value->text(), QString::fromUtf8(c.shown)) << what;
        EXPECT_EQ(rig.message_texts(), c.refusal
                                           ? std::vector<QString>{QString::fromUtf8(c.refusal)}
                                           : std::vector<QString>{})
            << what;
        if (field != Field::prf) {
            EXPECT_EQ(rig.ui().of(Field::prf).value->text(),
                      c.prf_after ? QString::fromUtf8(c.prf_after) : prf_before)
                << what;
        }
    }
}

TEST(CliAndWindow, UploadSendsTheWindowsFramesInOrder) {
    UiRig rig;
    rig.start();
    const QString path = rig.config_dir.path() + "/set.qini";
    ASSERT_TRUE(save_settings_file(path, kExampleSet).isEmpty());
    rig.open_answer = path;
    rig.trigger(rig.ui().open);
    ASSERT_EQ(rig.run_upload(), 13);

    CliRig cli;
    QiniStore files;
    cli.files = &files;
    ASSERT_EQ(cli.run({"upload", path.toStdString()}).status, cli::kDone);

    const auto& window_calls = rig.instrument.calls();
    const auto& cli_calls = cli.instrument.calls();
    ASSERT_EQ(cli_calls.size(), window_calls.size());
    EXPECT_EQ(cli_calls.size(), 3u + 18u); // the read-back, then nine commands
    for (std::size_t i = 0; i < cli_calls.size(); ++i)
        EXPECT_EQ(sim::trace_line(cli_calls[i]), sim::trace_line(window_calls[i])) << i;
}

TEST(CliAndWindow, ExportIsTheWindowsByteForByte) {
    const sim::Settings state{1, 45, 7, 1, 2, 1, 0x38, 0x04, 0, 2}; // dual, external, 1080 ns
    UiRig rig(state);
    rig.start();
    rig.save_answer = rig.config_dir.path() + "/window.qini";
    rig.trigger(rig.ui().save);

    CliRig cli(state);
    QiniStore files;
    cli.files = &files;
    const QString path = rig.config_dir.path() + "/cli.qini";
    ASSERT_EQ(cli.run({"export", path.toStdString()}).status, cli::kDone);
    EXPECT_EQ(file_bytes(path), file_bytes(rig.save_answer));
    EXPECT_TRUE(file_bytes(path).startsWith("\"\xCB\xAB\"\r\n\"-5\"\r\n")); // "双" in GBK

    // Where the window's export fails, so does this one, with the window's reason.
    const CliResult failed = cli.run({"export", rig.config_dir.path().toStdString()});
    EXPECT_EQ(failed.status, cli::kFileError);
    EXPECT_TRUE(contains(failed.err, "无法写入文件：这是文件夹")) << failed.err;
    const CliResult unreadable = cli.run({"compare", rig.config_dir.path().toStdString()});
    EXPECT_EQ(unreadable.status, cli::kFileError);
    EXPECT_TRUE(contains(unreadable.err, "无法打开文件：这是文件夹")) << unreadable.err;
}

TEST(CliAndWindow, CompareFindsWhatAFailedSendLeftOnTheWindow) {
    UiRig rig;
    rig.instrument.faults.data = true;
    rig.start();
    operate(rig, Field::damping, "150");
    EXPECT_EQ(rig.ui().of(Field::damping).value->text(), "150");
    rig.save_answer = rig.config_dir.path() + "/shown.qini";
    rig.trigger(rig.ui().save);
    rig.instrument.faults.data = false;

    CliRig cli;
    cli.driver = &rig.instrument; // the window's instrument
    QiniStore files;
    cli.files = &files;
    const CliResult result = cli.run({"compare", rig.save_answer.toStdString()});
    EXPECT_EQ(result.status, cli::kDiffers);
    EXPECT_EQ(result.out, "以下参数与文件不一致：\ndamping（阻尼）：文件 150Ω，仪器 50Ω\n");
}
