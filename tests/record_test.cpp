// The inspection record as the programs keep it: the window and qlm5120rx-cli writing one
// day's journal, and the setup sheet read back with a real PDF reader (poppler-utils).
#include "ui_rig.h"

#include "panel/outcome_hook.h"
#include "params/descriptor.h"
#include "params/interlock.h"
#include "record/journal.h"
#include "record/journal_file.h"
#include "record/sheet.h"
#include "settings/settings_file.h"
#include "test_support.h"
#include "ui/journal_window.h"

#include "link/instrument_lock.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>
#endif

using namespace qlm;
using namespace qlm::testing;

namespace {

struct ProgramRun {
    int status;
    QString out, err;
};

// The built program over the drop-in simulator, its journal in the test's folder.
class Record : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString data_home = dir.filePath("data");

    void SetUp() override { set_environment("XDG_DATA_HOME", data_home.toStdString()); }

    // A file size limit for the program, as a full disk: none when 0.
    long file_limit = 0;

    ProgramRun run(const QString& program, const QStringList& args) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"EASYD12_SIM_STATE", "EASYD12_SIM_FAULT", "EASYD12_SIM_TRACE"})
            env.remove(name);
        if (file_limit == 0) env.insert("EASYD12_SIM_STATE_FILE", dir.filePath("instrument.state"));
        env.insert("XDG_DATA_HOME", data_home);
        env.insert("XDG_RUNTIME_DIR", dir.path());
        QProcess process;
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(dir.path());
#ifndef _WIN32
        if (file_limit > 0)
            process.setChildProcessModifier([limit = rlim_t(file_limit)] {
                ::signal(SIGXFSZ, SIG_IGN);
                const rlimit small{limit, limit};
                ::setrlimit(RLIMIT_FSIZE, &small);
            });
#endif
        process.start(program, args);
        EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                QString::fromUtf8(process.readAllStandardError())};
    }
    ProgramRun cli(const QStringList& args) {
        return run(QLM_CLI_PROGRAM, args);
    }

    std::vector<QJsonObject> journal() {
        std::vector<QJsonObject> lines;
        const auto read = read_journal(default_journal_folder(), QDate::currentDate());
        for (const std::string& line : read.lines)
            lines.push_back(QJsonDocument::fromJson(QByteArray::fromStdString(line)).object());
        return lines;
    }
    // The text a PDF reader finds in the file.
    QString pdf_text(const QString& pdf) {
        const ProgramRun text = run("pdftotext", {"-layout", pdf, "-"});
        EXPECT_EQ(text.status, 0) << text.err.toStdString();
        return text.out;
    }
};

// The journal told every outcome of the test's panels while it lives.
struct JournalHook {
    explicit JournalHook(Journal& journal) {
        outcome_hook() = [&journal](const Outcome& outcome) { journal.record(outcome); };
    }
    ~JournalHook() { outcome_hook() = nullptr; }
};

bool has_sent(const std::vector<QJsonObject>& lines, const QString& program, const char* field,
              const QString& old_text, const QString& new_text) {
    for (const QJsonObject& line : lines) {
        if (line["event"].toString() != "sent" || line["program"].toString() != program) continue;
        const QJsonObject change = line["changes"].toArray().first().toObject();
        if (change["field"].toString() == field && change["old"].toString() == old_text &&
            change["new"].toString() == new_text && line["status"].toString() == "delivered")
            return true;
    }
    return false;
}

TEST_F(Record, TheWindowAndTheCommandLineKeepOneJournalTheSimulatorsProgramItsOwn) {
    {
        UiRig rig;
        Journal window_journal(
            {default_journal_folder(), "qlm5120rx", [] { return true; }, {}, {}});
        const JournalHook hook(window_journal);
        rig.start();
        EntryField* gain = rig.ui().of(Field::gain).entry;
        gain->setFocus();
        gain->clear();
        rig.type(gain, "12");
        rig.press(gain, Qt::Key_Return);
    }
    EXPECT_EQ(cli({"set", "damping", "150"}).status, 0);
    const auto lines = journal();
    EXPECT_TRUE(has_sent(lines, "qlm5120rx", "gain", "0dB", "12dB"));
    EXPECT_TRUE(has_sent(lines, "qlm5120rx-cli", "damping", "50Ω", "150Ω"));
    for (const QJsonObject& line : lines)
        EXPECT_EQ(line["driver"].toString(), "simulator");

    const QString shared = default_journal_folder();
    const QString name = QCoreApplication::applicationName();
    QCoreApplication::setApplicationName("qlm5120rx-sim");
    EXPECT_NE(default_journal_folder(), shared);
    QCoreApplication::setApplicationName(name);

    // The command line prints it as a table, or as it is kept.
    const ProgramRun table = cli({"journal"});
    EXPECT_EQ(table.status, 0);
    EXPECT_TRUE(table.out.contains(QString::fromUtf8("阻尼\t50Ω\t150Ω\t已发送")));
    const ProgramRun json =
        cli({"journal", "--json", "--day", QDate::currentDate().toString(Qt::ISODate)});
    EXPECT_EQ(json.out.count('\n'), static_cast<qsizetype>(journal().size()));
}

// Changes of the instrument, and only those: "old" is what it held, never the initial texts.
TEST_F(Record, TheJournalRecordsWhatTheInstrumentHeldAndOnlyItsChanges) {
    const auto changes_since = [this](std::size_t from, const char* event = nullptr) {
        QStringList out;
        const auto lines = journal();
        for (std::size_t i = from; i < lines.size(); ++i) {
            if (event && lines[i]["event"].toString() != event) continue;
            for (const QJsonValue& change : lines[i]["changes"].toArray())
                out << change["field"].toString() + ":" + change["old"].toString() + ">" +
                           change["new"].toString();
        }
        return out;
    };
    ASSERT_EQ(cli({"set", "gain", "30"}).status, 0);
    ASSERT_EQ(cli({"export", "thirty.qini"}).status, 0);
    ASSERT_EQ(cli({"set", "gain", "20"}).status, 0);
    std::size_t from = journal().size();
    ASSERT_EQ(cli({"get"}).status, 0);
    ASSERT_EQ(cli({"get"}).status, 0);
    EXPECT_EQ(changes_since(from), QStringList());
    // Each run's first read-back observes the instrument's values.
    EXPECT_EQ(journal().back()["event"].toString(), "observed");
    EXPECT_TRUE(journal().back()["values"].toArray().contains(QJsonObject{
        {"field", "gain"}, {"parameter", QString::fromUtf8("接收增益")}, {"value", "20dB"}}));
    from = journal().size();
    ASSERT_EQ(cli({"upload", "thirty.qini"}).status, 0);
    EXPECT_TRUE(changes_since(from, "sent").contains("gain:20dB>30dB"));
    const auto lines = journal();
    const auto exported = std::find_if(lines.begin(), lines.end(), [](const QJsonObject& line) {
        return line["event"].toString() == "file";
    });
    ASSERT_NE(exported, lines.end());
    EXPECT_EQ((*exported)["path"].toString(), QDir(dir.path()).filePath("thirty.qini"));
}

TEST_F(Record, TheSheetHoldsEveryValueWithItsUnitTheDateAndTheEnvelope) {
    ASSERT_EQ(cli({"set", "damping", "150"}).status, 0);
    const ProgramRun got = cli({"get", "--json"});
    const QJsonObject shown =
        QJsonDocument::fromJson(got.out.toUtf8()).object().value("display").toObject();
    const ProgramRun sheet =
        cli({"sheet", "x.pdf", "--operator", "张三", "--probe", "5P14", "--part", "焊缝 A-3"});
    ASSERT_EQ(sheet.status, 0) << sheet.err.toStdString();
    const QJsonObject written = journal().back(); // the sheet is on the record too
    EXPECT_EQ(written["event"].toString(), "file");
    EXPECT_EQ(written["op"].toString(), "sheet");
    EXPECT_EQ(written["status"].toString(), "ok");
    EXPECT_TRUE(written["path"].toString().endsWith("x.pdf"));
    const QString text = pdf_text(dir.filePath("x.pdf"));
    for (const Field field : kAllFields) {
        const QString value = shown[field_name(field)].toString();
        EXPECT_TRUE(!value.isEmpty() && text.contains(value))
            << field_name(field) << " " << value.toStdString();
    }
    EXPECT_TRUE(text.contains(QDate::currentDate().toString(Qt::ISODate)));
    for (const char* part : {"张三", "5P14", "焊缝 A-3", "50Ω → 150Ω", "模拟仪器"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    for (const PrfBand& band : prf_bands()) {
        EXPECT_TRUE(text.contains(QString::number(band.max_prf)));
        EXPECT_TRUE(text.contains(QString::number(band.below_ns)));
    }

    const ProgramRun info = run("pdfinfo", {dir.filePath("x.pdf")});
    EXPECT_TRUE(info.out.contains(QRegularExpression("Pages:\\s+1\\n")));
    EXPECT_TRUE(info.out.contains("(A4)")) << info.out.toStdString();
    ASSERT_EQ(run("pdftoppm",
                  {"-r", "30", "-png", "-singlefile", dir.filePath("x.pdf"), dir.filePath("page")})
                  .status,
              0);
    const QImage page(dir.filePath("page.png"));
    ASSERT_FALSE(page.isNull());
    EXPECT_NEAR(double(page.height()) / page.width(), 297.0 / 210.0, 0.01);
    int inked = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            inked += qGray(page.pixel(x, y)) < 200;
    EXPECT_GT(inked, page.width() * page.height() / 50);
}

TEST_F(Record, TheSheetAgainstAnExpectedFileNamesEachDifference) {
    ASSERT_EQ(cli({"set", "damping", "150"}).status, 0);
    SettingsTexts expected = param_set().texts();
    expected[static_cast<std::size_t>(Field::damping)] = "400";
    ASSERT_TRUE(save_settings_file(dir.filePath("expected.qini"), expected).isEmpty());
    const ProgramRun sheet = cli({"sheet", "y.pdf", "--expect", "expected.qini"});
    EXPECT_EQ(sheet.status, 4);
    EXPECT_TRUE(
        pdf_text(dir.filePath("y.pdf")).contains(QString::fromUtf8("文件 400Ω，仪器 150Ω")));
}

// Nine differences: every one on the sheet, those that do not fit the box counted there and
// named overleaf.
TEST_F(Record, EveryDifferenceOfTheCheckIsOnTheSheet) {
    SettingsTexts expected{"双", "-20", "300", "外部", "2000", "30", "1500", "kHz", "0.33", "80"};
    ASSERT_TRUE(save_settings_file(dir.filePath("nine.qini"), expected).isEmpty());
    const ProgramRun sheet = cli({"sheet", "n.pdf", "--expect", "nine.qini"});
    EXPECT_EQ(sheet.status, 4);
    const QStringList differences = sheet.out.split('\n').filter(QString::fromUtf8("，仪器 "));
    ASSERT_EQ(differences.size(), 9);
    const QString text = pdf_text(dir.filePath("n.pdf"));
    for (const QString& line : differences)
        EXPECT_TRUE(text.contains(line)) << line.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf8("另有 2 项不同")));
}

// A journal that cannot be written: one line on stderr, the command done as ever.
TEST_F(Record, AnUnwritableJournalIsSaidOnceAndTheCommandGoesOn) {
    QFile blocker(data_home);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly)); // the data folder is a file
    blocker.close();
    const ProgramRun set = cli({"set", "damping", "150", "gain", "10"});
    EXPECT_EQ(set.status, 9); // done, but not on the record
    EXPECT_TRUE(set.out.contains(QString::fromUtf8("已发送 damping=150Ω")));
    EXPECT_EQ(set.err.count(QString::fromUtf8("操作记录无法写入")), 1) << set.err.toStdString();
}

// Bad arguments and places: a clear message, nothing written, the exit status saying why.
TEST_F(Record, BadArgumentsAndPlaces) {
    struct Case {
        QStringList args;
        int status;
        const char* says;
    };
    const std::vector<Case> cases{
        {{"sheet"}, 1, "PDF"},
        {{"sheet", "a.pdf", "b.pdf"}, 1, "PDF"},
        {{"sheet", "a.pdf", "--operator"}, 1, "--operator"},
        {{"sheet", "a.pdf", "--colour", "x"}, 1, "--colour"},
        {{"sheet", "a.pdf", "--part", QString(81, QChar(0x5de5))}, 1, "--part"},
        {{"sheet", "missing/a.pdf"}, 5, "missing/a.pdf"},
        {{"sheet", "a.pdf", "--expect", "none.qini"}, 5, "none.qini"},
        {{"journal", "--day", "2026-13-40"}, 1, "2026-13-40"},
        {{"journal", "--day"}, 1, "--day"},
        {{"journal", "--day", "2001-01-01"}, 0, "2001-01-01"},
    };
    for (const Case& c : cases) {
        const ProgramRun result = cli(c.args);
        EXPECT_EQ(result.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(result.err.contains(QString::fromUtf8(c.says))) << result.err.toStdString();
    }
    EXPECT_FALSE(QFile::exists(dir.filePath("a.pdf")));

    // A damaged line is shown as such, the others as ever; a last line cut short is left out.
    const QDate day(2001, 1, 2);
    ASSERT_TRUE(append_journal_line(default_journal_folder(), day, "{not json").isEmpty());
    ASSERT_EQ(cli({"set", "damping", "150"}).status, 0);
    QFile file(journal_file(default_journal_folder(), QDate::currentDate()));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray today = file.readAll();
    file.close();
    QFile old(journal_file(default_journal_folder(), day));
    ASSERT_TRUE(old.open(QIODevice::Append));
    old.write(today + "{\"time\":\"cut");
    old.close();
    const ProgramRun shown = cli({"journal", "--day", "2001-01-02"});
    EXPECT_EQ(shown.status, 0);
    EXPECT_TRUE(shown.out.contains(QString::fromUtf8("无法读取的记录行：{not json")));
    EXPECT_TRUE(shown.out.contains(QString::fromUtf8("阻尼\t50Ω\t150Ω\t已发送")));
    EXPECT_FALSE(shown.out.contains("cut"));
}

// The window's sheet: the three lines asked (from the last ones), the check's result on the
// sheet instead of in a box, the display as it was.
TEST_F(Record, TheWindowsSheetCarriesItsCheckAndChangesNothingOnTheDisplay) {
    UiRig rig;
    rig.journal_folder = dir.filePath("journal");
    rig.people_answer = SheetPeople{"李四", "探头 B", "规程 7"};
    rig.save_answer = dir.filePath("w.pdf");
    rig.start();
    auto settings = sim::kDefaultSettings;
    settings[9] = 3; // the instrument's damping: 150 ohm
    rig.instrument.set_settings(settings);
    const auto shown = rig.display_texts();
    rig.trigger(rig.ui().sheet);
    EXPECT_TRUE(rig.messages.empty());
    EXPECT_EQ(rig.display_texts(), shown);
    const QString text = pdf_text(rig.save_answer);
    for (const char* part : {"李四", "探头 B", "规程 7", "显示面板", "以下参数与显示面板不一致",
                             "显示 50Ω，仪器 150Ω"})
        EXPECT_TRUE(text.contains(QString::fromUtf8(part))) << part;
    rig.people_answer.reset(); // cancelled the second time
    rig.trigger(rig.ui().sheet);
    ASSERT_EQ(rig.people_asked.size(), 2u);
    EXPECT_EQ(rig.people_asked[1].operator_name, "李四");
    EXPECT_EQ(rig.people_asked[1].part, "规程 7");

    // No answer to the check: the usual box, and the sheet says it was not checked.
    rig.people_answer = SheetPeople{};
    rig.instrument.faults.request = true;
    rig.trigger(rig.ui().sheet);
    ASSERT_EQ(rig.messages.size(), 1u);
    EXPECT_TRUE(pdf_text(rig.save_answer).contains(QString::fromUtf8("核对失败")));
}

TEST_F(Record, TheJournalWindowListsFiltersOpensTheFolderAndKeepsDays) {
    UiRig rig;
    rig.journal_folder = dir.filePath("journal");
    Journal journal({rig.journal_folder, "qlm5120rx", [] { return true; }, {}, {}});
    std::optional<JournalHook> hook(journal);
    rig.start();
    rig.window->panel().apply({Field::damping, "150"});
    rig.window->panel().confirm(Field::gain, "12", ConfirmedBy::enter);
    hook.reset();
    rig.trigger(rig.ui().journal);
    JournalWindow* window = rig.window->journal_window();
    ASSERT_TRUE(window);
    const auto column = [&](int c) {
        QStringList cells;
        for (int row = 0; row < window->table()->rowCount(); ++row)
            cells << window->table()->item(row, c)->text();
        return cells;
    };
    EXPECT_TRUE(column(2).contains(QString::fromUtf8("阻尼")));
    EXPECT_TRUE(column(2).contains(QString::fromUtf8("接收增益")));
    window->parameters()->setCurrentIndex(window->parameters()->findData("damping"));
    // The start's first read-back saw 50 Ω (no old value), then the send.
    EXPECT_EQ(column(2), (QStringList{QString::fromUtf8("阻尼"), QString::fromUtf8("阻尼")}));
    EXPECT_EQ(column(3), (QStringList{"", QString::fromUtf8("50Ω")}));
    EXPECT_EQ(column(4), (QStringList{QString::fromUtf8("50Ω"), QString::fromUtf8("150Ω")}));
    EXPECT_TRUE(column(5)[0].contains(QString::fromUtf8("首次读到")));
    EXPECT_EQ(column(5)[1], QString::fromUtf8("已发送"));
    window->findChild<QPushButton*>("openFolder")->click();
    EXPECT_EQ(rig.opened_folders, std::vector<QString>{rig.journal_folder});
    window->keep_days()->setValue(30);
    window->findChild<QPushButton*>("applyKeep")->click();
    EXPECT_EQ(journal_keep_days(rig.journal_folder), 30);
}

#ifndef _WIN32
enum class Writer { export_, sheet, journal_append, journal_read, changes, lock };
enum class Target { fifo, device, folder, link, full_disk, held };

struct FileCase {
    Writer writer;
    Target target;
    int status;
    const char* says;
};

// Every writer before a file it must not replace or wait on, or a disk that fills: the status,
// the reason, the file as it was, nothing half-written beside it.
TEST_F(Record, HostileFilesAreRefusedAndLeftAsTheyWere) {
    using W = Writer;
    using T = Target;
    const std::vector<FileCase> cases{
        {W::export_, T::fifo, 5, "不是普通文件"},
        {W::export_, T::device, 5, "不是普通文件"},
        {W::export_, T::folder, 5, "这是文件夹"},
        {W::export_, T::link, 5, "不是普通文件"},
        {W::export_, T::full_disk, 5, "磁盘可能已满"},
        {W::sheet, T::fifo, 5, "不是普通文件"},
        {W::sheet, T::device, 5, "不是普通文件"},
        {W::sheet, T::folder, 5, "这是文件夹"},
        {W::sheet, T::link, 5, "不是普通文件"},
        {W::sheet, T::full_disk, 5, "磁盘可能已满"},
        {W::journal_append, T::fifo, 9, "不是普通文件"},
        {W::journal_append, T::device, 9, "不是普通文件"},
        {W::journal_append, T::folder, 9, "这是文件夹"},
        {W::journal_append, T::link, 9, "符号链接"},
        {W::journal_append, T::full_disk, 9, "磁盘可能已满"},
        {W::journal_read, T::fifo, 5, "不是普通文件"},
        {W::journal_read, T::device, 5, "不是普通文件"},
        {W::journal_read, T::folder, 5, "这是文件夹"},
        {W::journal_read, T::link, 5, "符号链接"},
        {W::changes, T::fifo, 0, "已发送"},
        {W::changes, T::folder, 0, "已发送"},
        {W::changes, T::link, 0, "已发送"},
        {W::lock, T::fifo, 3, "仪器锁文件无法使用"},
        {W::lock, T::folder, 3, "这是文件夹"},
        {W::lock, T::link, 3, "是符号链接"},
        {W::lock, T::held, 3, "另一个程序正在使用仪器"},
    };
    const QString journal = journal_file(default_journal_folder(), QDate::currentDate());
    const QString lock = QString::fromStdString(
        instrument_lock_path(dir.filePath("instrument.state").toStdString()));
    const auto place = [&](Writer writer) {
        switch (writer) {
        case W::export_:
            return dir.filePath("x.qini");
        case W::sheet:
            return dir.filePath("x.pdf");
        case W::journal_append:
        case W::journal_read:
            return journal;
        case W::changes:
            return lock + ".changes";
        case W::lock:
            return lock;
        }
        return QString();
    };
    const auto args = [](Writer writer, const QString& path) -> QStringList {
        if (writer == W::export_) return {"export", path};
        if (writer == W::sheet) return {"sheet", path};
        if (writer == W::journal_read) return {"journal"};
        return {"set", "damping", "150"};
    };
    const auto kind = [](const QString& path) {
        struct stat st {};
        return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? st.st_mode & S_IFMT : 0;
    };
    ASSERT_TRUE(QDir().mkpath(default_journal_folder()));
    for (const FileCase& c : cases) {
        const QString path = place(c.writer);
        const std::string row = path.toStdString() + " " + std::to_string(int(c.target));
        const QByteArray name = QFile::encodeName(path);
        std::optional<FileInstrumentLock> holder;
        file_limit = 0;
        QFile::remove(path); // what the rows before wrote there
        switch (c.target) {
        case T::fifo:
            ASSERT_EQ(::mkfifo(name.constData(), 0600), 0) << row;
            break;
        case T::device: // a null device of the test's own, made only as root
            if (::mknod(name.constData(), S_IFCHR | 0600, makedev(1, 3)) != 0) continue;
            break;
        case T::folder:
            ASSERT_TRUE(QDir().mkdir(path)) << row;
            break;
        case T::link:
            ASSERT_EQ(::mkfifo((name + ".fifo").constData(), 0600), 0) << row;
            ASSERT_EQ(::symlink((name + ".fifo").constData(), name.constData()), 0) << row;
            break;
        case T::full_disk: {
            file_limit = 40;
            if (c.writer == W::journal_append) { // a journal already past the limit
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::WriteOnly));
                file.write(QByteArray(4096, 'x') + '\n');
            }
            break;
        }
        case T::held:
            holder.emplace(lock.toStdString());
            ASSERT_TRUE(holder->try_acquire()) << holder->error();
            break;
        }
        const auto before = kind(path);
        const qint64 size = QFileInfo(path).size();
        const ProgramRun result = cli(args(c.writer, path));
        EXPECT_EQ(result.status, c.status) << row << result.err.toStdString();
        EXPECT_TRUE((result.err + result.out).contains(QString::fromUtf8(c.says)))
            << row << result.err.toStdString();
        EXPECT_EQ(kind(path), before) << row;
        EXPECT_EQ(QFileInfo(path).size(), size) << row;
        const QStringList beside =
            QFileInfo(path).dir().entryList({QFileInfo(path).fileName() + "*"}, QDir::AllEntries);
        EXPECT_LE(beside.size(), c.target == T::link ? 2 : 1)
            << row << beside.join(' ').toStdString();
        holder.reset();
        QFile::remove(path + ".fifo");
        if (!QFile::remove(path)) QDir(path).removeRecursively();
    }
}
#endif

// The drawing's region is the interlock's own: at every width its top is the highest PRF the
// interlock allows there.
TEST(Sheet, EnvelopeIsTheInterlocksOwnTable) {
    const std::vector<QPointF> outline = envelope_outline();
    const NumericRule& width = *descriptor(Field::pw).numeric;
    for (std::int64_t ns = width.min; ns < width.max; ns += 25) {
        double top = -1;
        for (std::size_t i = 0; i + 1 < outline.size(); ++i) {
            const QPointF a = outline[i], b = outline[i + 1];
            if (a.y() == b.y() && a.x() <= double(ns) && double(ns) < b.x()) top = a.y();
        }
        EXPECT_EQ(top, max_prf_for_pw(Decimal{ns, 1})) << ns;
    }
}

} // namespace
