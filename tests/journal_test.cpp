// The journal: a line for each kind of outcome, read back with Qt's JSON reader; two
// processes appending at once; a folder that cannot be written; days kept and removed.
#include "cli_rig.h"
#include "files/setup_files.h"
#include "panel/outcome_hook.h"
#include "panel_rig.h"
#include "params/descriptor.h"
#include "record/journal.h"
#include "record/journal_file.h"
#include "record/journal_rows.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimeZone>

#include <gtest/gtest.h>

#include <set>

namespace qlm::testing {
namespace {

const QDateTime kNoon(QDate(2026, 12, 9), QTime(12, 0, 0, 250), QTimeZone(8 * 3600));

// The panel's outcomes go to a journal in a folder of the test's own.
struct JournalRig {
    QTemporaryDir dir;
    QString folder = dir.filePath("journal");
    std::vector<QString> hints;
    Journal journal{{folder, "qlm5120rx-test", [] { return true; }, [] { return kNoon; },
                     [this](const QString& hint) { hints.push_back(hint); }}};
    PanelRig rig;
    MemoryFiles memory;
    SetupFiles files{memory, {}};

    JournalRig() {
        outcome_hook() = [this](const Outcome& outcome) { journal.record(outcome); };
    }
    ~JournalRig() { outcome_hook() = nullptr; }

    std::vector<QJsonObject> lines() const {
        std::vector<QJsonObject> out;
        for (const std::string& line : read_journal(folder, kNoon.date()).lines) {
            const QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(line));
            EXPECT_TRUE(document.isObject()) << line;
            out.push_back(document.object());
        }
        return out;
    }
};

std::string str(const QJsonObject& object, const char* key) {
    return object.value(QLatin1String(key)).toString().toStdString();
}

// What one line must say: its event and status, and each field it touched with the old and
// new text as the display showed them (with units).
struct Change3 {
    const char* field;
    std::string old_text, new_text;
};
struct LineCase {
    const char* name;
    const char* event;
    const char* status;
    std::vector<Change3> changes;
    std::string result_part; // a part of the rendered result
    std::function<void(JournalRig&)> act;
};

// The instrument at the simulator's defaults but one answer byte.
void instrument_with(JournalRig& r, std::size_t byte, std::uint8_t value) {
    auto settings = sim::kDefaultSettings;
    settings[byte] = value;
    r.rig.instrument.set_settings(settings);
}

TEST(Journal, ALineForEachKindOfOutcome) {
    using R = JournalRig&;
    const std::vector<LineCase> cases{
        {"damping chosen",
         "sent",
         "delivered",
         {{"damping", "50Ω", "150Ω"}},
         "已发送",
         [](R r) {
             r.rig.panel.apply({Field::damping, "150"});
         }},
        {"gain out of range",
         "refused",
         "out_of_range",
         {{"gain", "", "99"}},
         "增益值：-50~60dB!",
         [](R r) { r.rig.panel.confirm(Field::gain, "99", ConfirmedBy::enter); }},
        {"prf the width refuses",
         "refused",
         "prf_not_allowed",
         {{"prf", "", "5000"}},
         texts::kPrfNotForWidth,
         [](R r) {
             r.rig.panel.confirm(Field::pw, "5000", ConfirmedBy::enter);
             r.rig.panel.apply({Field::prf, "5000"});
         }},
        {"absent instrument",
         "sent",
         "announce_refused",
         {{"gain", "0dB", "10dB"}},
         texts::kConnectionFailed,
         [](R r) {
             r.rig.instrument.faults.absent = true;
             r.rig.panel.confirm(Field::gain, "10", ConfirmedBy::enter);
         }},
        {"probe frequency after the width",
         "display_only",
         "not_sent",
         {{"probe_freq", "2.50MHz", "1.25MHz"}},
         "仅显示",
         [](R r) { r.rig.panel.confirm(Field::pw, "400", ConfirmedBy::enter); }},
        {"read-back of a changed instrument",
         "read_back",
         "answered",
         {{"gain", "0dB", "10dB"}},
         "读取仪器参数：成功",
         [](R r) {
             instrument_with(r, 1, 60); // gain byte: 10 dB
             r.rig.panel.read_back();
         }},
        {"check with a difference",
         "compared",
         "differs",
         {{"damping", "50Ω", "150Ω"}},
         "核对：不一致",
         [](R r) {
             instrument_with(r, 9, 3); // damping byte
             r.rig.panel.check_instrument();
         }},
        {"import of a missing file",
         "file",
         "failed",
         {},
         "导入 无.qini：失败（无法打开文件）",
         [](R r) { r.files.import_file(r.rig.panel, "无.qini"); }},
        {"export",
         "file",
         "ok",
         {},
         "导出 x.qini：成功",
         [](R r) { r.files.export_file(r.rig.panel, "x.qini"); }},
        {"upload stopped by a key",
         "upload_stopped",
         "entry_key",
         {},
         "上传在第 1 步停止",
         [](R r) {
             r.rig.panel.start_upload();
             r.rig.panel.tick();
             r.rig.panel.entry_key(Field::gain);
         }},
    };
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.name);
        JournalRig r;
        r.rig.panel.start(std::nullopt); // the simulator's defaults on display
        const std::size_t before = r.lines().size();
        c.act(r);
        const auto lines = r.lines();
        ASSERT_GT(lines.size(), before);
        const auto line =
            std::find_if(lines.begin() + static_cast<std::ptrdiff_t>(before), lines.end(),
                         [&](const QJsonObject& each) { return str(each, "event") == c.event; });
        ASSERT_NE(line, lines.end());
        EXPECT_EQ(str(*line, "status"), c.status);
        EXPECT_NE(str(*line, "result").find(c.result_part), std::string::npos)
            << str(*line, "result");
        EXPECT_EQ(str(*line, "time"), "2026-12-09T12:00:00.250+08:00");
        EXPECT_EQ(str(*line, "program"), "qlm5120rx-test");
        EXPECT_EQ(str(*line, "driver"), "simulator");
        const QJsonArray changes = line->value("changes").toArray();
        ASSERT_EQ(changes.size(), static_cast<qsizetype>(c.changes.size()));
        for (std::size_t i = 0; i < c.changes.size(); ++i) {
            const QJsonObject change = changes[static_cast<qsizetype>(i)].toObject();
            EXPECT_EQ(str(change, "field"), c.changes[i].field);
            EXPECT_EQ(str(change, "old"), c.changes[i].old_text);
            EXPECT_EQ(str(change, "new"), c.changes[i].new_text);
        }
        EXPECT_TRUE(r.hints.empty());
    }
}

// The command a line names is the one the instrument took; an import's upload is kept as its
// commands, without the timer's steps.
TEST(Journal, CommandsAsTheInstrumentTookThemAndTheUploadWithoutSteps) {
    JournalRig r;
    r.rig.panel.start(std::nullopt);
    SettingsTexts texts = param_set().texts();
    texts[static_cast<std::size_t>(Field::damping)] = "150";
    r.memory.files["a.qini"] = texts;
    r.files.import_file(r.rig.panel, "a.qini");
    r.rig.run_upload();
    std::vector<std::string> events;
    std::vector<std::array<std::uint8_t, 3>> commands;
    for (const QJsonObject& line : r.lines()) {
        events.push_back(str(line, "event"));
        const QJsonArray command = line.value("command").toArray();
        if (command.size() == 3)
            commands.push_back({std::uint8_t(command[0].toInt()), std::uint8_t(command[1].toInt()),
                                std::uint8_t(command[2].toInt())});
    }
    EXPECT_EQ(commands, r.rig.applied());
    EXPECT_EQ(std::count(events.begin(), events.end(), "sent"), 9);
    for (const char* event : {"file", "imported", "upload_started", "upload_finished"})
        EXPECT_EQ(std::count(events.begin(), events.end(), event), 1) << event;
}

// A folder that cannot be made: one hint, and the panel goes on sending.
TEST(Journal, UnwritableFolderOneHintAndTheOperatorGoesOn) {
    JournalRig r;
    QFile blocker(r.dir.filePath("file"));
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    Journal journal({r.dir.filePath("file/journal"),
                     "p",
                     {},
                     [] { return kNoon; },
                     [&r](const QString& hint) { r.hints.push_back(hint); }});
    outcome_hook() = [&journal](const Outcome& outcome) { journal.record(outcome); };
    r.rig.panel.start(std::nullopt);
    r.rig.panel.apply({Field::damping, "150"});
    r.rig.panel.confirm(Field::gain, "10", ConfirmedBy::enter);
    ASSERT_EQ(r.hints.size(), 1u);
    EXPECT_TRUE(r.hints[0].contains(QString::fromUtf8("操作记录无法写入")));
    EXPECT_FALSE(journal.problem().isEmpty());
    EXPECT_EQ(r.rig.applied().size(), 2u);
}

// Lines longer than a pipe's atomic size, from two processes at once: every line whole.
constexpr int kLinesPerWriter = 200;
std::string child_line(const std::string& tag, int i) {
    const std::size_t length = (i % 3 == 0) ? 6000 : 40 + i;
    return "{\"writer\":\"" + tag + "\",\"i\":" + std::to_string(i) + ",\"pad\":\"" +
           std::string(length, tag[0]) + "\"}";
}

TEST(Journal, TwoProcessesAppendingAtOnceNeverInterleave) {
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> children;
    for (const char* tag : {"a", "b"}) {
        auto child = std::make_unique<QProcess>();
        child->start(QCoreApplication::applicationFilePath(),
                     {"--append-child", dir.path(), QString::fromLatin1(tag)});
        children.push_back(std::move(child));
    }
    for (auto& child : children) {
        ASSERT_TRUE(child->waitForFinished(120000));
        EXPECT_EQ(child->exitCode(), 0);
    }
    std::set<std::string> expected;
    for (const char* tag : {"a", "b"})
        for (int i = 0; i < kLinesPerWriter; ++i)
            expected.insert(child_line(tag, i));
    const JournalLines read = read_journal(dir.path(), kNoon.date());
    EXPECT_EQ(read.lines.size(), expected.size());
    for (const std::string& line : read.lines)
        EXPECT_EQ(expected.count(line), 1u) << line.substr(0, 80);
}

TEST(Journal, DaysKeptAsTheOperatorSetsThem) {
    QTemporaryDir dir;
    const QDate today = kNoon.date();
    for (int back : {0, 1, 2, 5, 30})
        ASSERT_TRUE(append_journal_line(dir.path(), today.addDays(-back), "{}").isEmpty());
    EXPECT_EQ(journal_keep_days(dir.path()), 0); // keep all
    Journal journal({dir.path(), "p", {}, [] { return kNoon; }, {}});
    journal.tidy();
    EXPECT_EQ(journal_days(dir.path()).size(), 5);
    ASSERT_TRUE(set_journal_keep_days(dir.path(), 2).isEmpty());
    journal.tidy();
    EXPECT_EQ(journal_days(dir.path()), (QList<QDate>{today, today.addDays(-1)}));
}

// The rows of the reading window and the command line: one per field a line touched.
TEST(Journal, RowsOfALine) {
    JournalRig r;
    r.rig.panel.start(std::nullopt);
    r.rig.panel.confirm(Field::pw, "5000", ConfirmedBy::enter); // PRF lowered, width, probe
    std::vector<std::string> parameters;
    for (const std::string& line : read_journal(r.folder, kNoon.date()).lines) {
        bool unreadable = true;
        for (const JournalRow& row : journal_rows(line, &unreadable))
            if (row.event != "read_back" && row.event != "observed")
                parameters.push_back(row.field + "=" + row.new_text);
        EXPECT_FALSE(unreadable);
    }
    EXPECT_EQ(parameters,
              (std::vector<std::string>{"prf=500Hz", "pw=5000nS", "probe_freq=0.10MHz"}));
    bool unreadable = false;
    EXPECT_TRUE(journal_rows("{cut", &unreadable).empty());
    EXPECT_TRUE(unreadable);
}

} // namespace
} // namespace qlm::testing

int main(int argc, char** argv) {
    if (argc == 4 && std::string(argv[1]) == "--append-child") {
        for (int i = 0; i < qlm::testing::kLinesPerWriter; ++i) {
            const QString problem = qlm::append_journal_line(QString::fromLocal8Bit(argv[2]),
                                                             qlm::testing::kNoon.date(),
                                                             qlm::testing::child_line(argv[3], i));
            if (!problem.isEmpty()) return 1;
        }
        return 0;
    }
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
