// The operator's manual: its generated tables say what the parameter rules do, its sentences
// on the interlock and the probe frequency say what the panel does, its contents tree and
// index name every page, its links and pictures are there, and the compiled CHM holds every
// page with the contents files in GBK.

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include "panel_rig.h"

#include <algorithm>
#include <functional>
#include <set>

namespace {

const QString kSources = QStringLiteral(QLM_MANUAL_SOURCES);
const QString kTables = QStringLiteral(QLM_MANUAL_TABLES);
const QString kHtml = QStringLiteral(QLM_MANUAL_HTML);

QByteArray read(const QString& path) {
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(path);
    return file.readAll();
}

// The cells of each body row of a generated table, tags removed.
std::vector<QStringList> rows(const QString& table) {
    const QString html = QString::fromUtf8(read(kTables + "/" + table + ".html"));
    std::vector<QStringList> result;
    static const QRegularExpression row("<tr>(.*?)</tr>"), cell("<td[^>]*>(.*?)</td>");
    for (const auto& r : row.globalMatch(html)) {
        QStringList cells;
        for (const auto& c : cell.globalMatch(r.captured(1)))
            cells << c.captured(1);
        if (!cells.isEmpty()) result.push_back(cells);
    }
    return result;
}

// The generated tables say what the instrument and the window do: written out here from the
// instrument's own description, not from the program's tables that generate them.
struct TableFacts {
    const char* table;
    std::vector<const char*> rows; // body rows, cells joined by "|"
};

const TableFacts kTableFacts[] = {
    {"entries",
     {"接收增益|-50 ~ 60 dB|1 dB|按输入原样显示和发送",
      "脉冲电压|25 ~ 400 V|25 V|向下取为步长的整数倍；负号不起作用（-150 按 150 处理）",
      "脉冲宽度|25 ~ 995 nS|5 nS|向下取为步长的整数倍", "1000 ~ 6500 nS|20 nS"}},
    {"refusals",
     {"接收增益|增益值：-50~60dB!|增益值：-50~60dB!",
      "脉冲电压|电压值范围25~400V!|电压值：-25~400V!",
      "脉冲宽度|脉冲宽度25~6500ns|脉冲宽度：25~6500ns!"}},
    {"lists",
     {"工作模式|单、双|单、双",
      "重复频率|100Hz、200Hz、500Hz、1000Hz、2000Hz、5000Hz|"
      "100 Hz、200 Hz、500 Hz、1000 Hz、2000 Hz、5000 Hz",
      "触发源|内部、外部|内部、外部", "阻尼|400、150、80、50|400 Ω、150 Ω、80 Ω、50 Ω",
      "低通滤波|30MHz、10MHz|30 MHz、10 MHz", "高通滤波|1kHz、1MHz|1 kHz、1 MHz"}},
    {"interlock",
     {"25 ~ 995 ns|5000 Hz|100Hz、200Hz、500Hz、1000Hz、2000Hz、5000Hz",
      "1000 ~ 1980 ns|2000 Hz|100Hz、200Hz、500Hz、1000Hz、2000Hz",
      "2000 ~ 4980 ns|1000 Hz|100Hz、200Hz、500Hz、1000Hz",
      "5000 ~ 6500 ns|500 Hz|100Hz、200Hz、500Hz"}},
    {"probe",
     {"25 ns|20.00 MHz", "50 ns|10.00 MHz", "100 ns|5.00 MHz", "200 ns|2.50 MHz", "250 ns|2.00 MHz",
      "500 ns|1.00 MHz", "1000 ns|0.50 MHz", "2000 ns|0.25 MHz", "4000 ns|0.12 MHz",
      "6500 ns|0.08 MHz"}},
    {"upload",
     {"1 / 13|200 ms|工作模式", "2 / 13|400 ms|接收增益", "3 / 13|600 ms|（不发送）",
      "4 / 13|800 ms|脉冲电压", "5 / 13|1000 ms|（不发送）", "6 / 13|1200 ms|触发源",
      "7 / 13|1400 ms|重复频率", "8 / 13|1600 ms|（不发送）", "9 / 13|1800 ms|低通滤波",
      "10 / 13|2000 ms|（不发送）", "11 / 13|2200 ms|脉冲宽度", "12 / 13|2400 ms|高通滤波",
      "13 / 13|2600 ms|阻尼"}},
    {"initial",
     {"工作模式|单", "接收增益|0 dB", "脉冲电压|-100 V", "触发源|内部", "重复频率|1000 Hz",
      "低通滤波|10 MHz", "脉冲宽度|200 nS", "高通滤波|1 MHz", "探头频率|5.0 MHz", "阻尼|50 Ω"}},
};

TEST(ManualTables, SayWhatTheInstrumentAndTheWindowDo) {
    for (const TableFacts& facts : kTableFacts) {
        SCOPED_TRACE(facts.table);
        QStringList shown, expected;
        for (const QStringList& cells : rows(QString::fromLatin1(facts.table)))
            shown << cells.join('|');
        for (const char* row : facts.rows)
            expected << QString::fromUtf8(row);
        EXPECT_EQ(shown, expected);
    }
}

// ---- what the pages say the panel does

// A page's text without its tags, white space joined.
QString page_text(const QString& page) {
    QString text = QString::fromUtf8(read(kSources + "/pages/" + page));
    text.remove(QRegularExpression("<[^>]*>"));
    return text.simplified();
}

using namespace qlm;
using namespace qlm::testing;

// The fields sent, in order, with what they sent: "prf=2000 pw=1000".
std::string sent_order(const PanelRig& rig, std::initializer_list<Field> fields) {
    std::string order;
    for (const Sent& sent : rig.view.all<Sent>()) {
        if (std::find(fields.begin(), fields.end(), sent.field) == fields.end()) continue;
        order += (order.empty() ? "" : " ") + std::string(field_name(sent.field)) + "=" +
                 sent.text + (sent.delivery == SendResult::delivered ? "" : "(failed)");
    }
    return order;
}

// The panel started without a settings file: the instrument read back.
PanelRig& started(PanelRig& rig) {
    rig.panel.start(std::nullopt);
    return rig;
}
// The instrument at a PRF (its answer byte: 3 is 500 Hz, 6 is 5000 Hz) and a width.
sim::Settings at(std::uint8_t prf_byte, int width) {
    sim::Settings settings = with_width(width);
    settings[4] = prf_byte;
    return settings;
}
SettingsTexts file_with(const std::string& prf, const std::string& width,
                        const std::string& probe) {
    SettingsTexts file = kExampleSet;
    file[static_cast<std::size_t>(Field::prf)] = prf;
    file[static_cast<std::size_t>(Field::pw)] = width;
    file[static_cast<std::size_t>(Field::probe_freq)] = probe;
    return file;
}

struct Claim {
    const char* page;
    const char* text; // as the page says it, tags removed
    std::function<std::string()> observed;
    std::string expected;
};

// Each sentence of the pages that states an interlock or probe-frequency rule, and what the
// panel does in the sentence's example.
TEST(ManualClaims, InterlockAndProbePagesSayWhatThePanelDoes) {
    const Claim claims[] = {
        {"interlock.html",
         "例如重复频率为 5000 Hz 时确认 1000 ns，重复频率显示变为 2000 Hz，程序先发送重复频率 "
         "2000 Hz，再发送脉冲宽度 1000 ns。",
         [] {
             PanelRig rig(at(6, 200));
             started(rig).panel.confirm(Field::pw, "1000", ConfirmedBy::enter);
             return rig.view.shown.at(Field::prf) + " " + sent_order(rig, {Field::prf, Field::pw});
         },
         "2000 prf=2000 pw=1000"},
        {"interlock.html", "降低后的重复频率没有送达仪器时，脉冲宽度也不发送",
         [] {
             PanelRig rig(at(6, 200));
             started(rig).instrument.faults.data = true;
             rig.panel.confirm(Field::pw, "1000", ConfirmedBy::enter);
             return sent_order(rig, {Field::prf, Field::pw}) + " " + rig.call_kinds().substr(3);
         },
         "prf=2000(failed) 40"},
        {"interlock.html",
         "例如导入重复频率 5000、脉冲宽度 1000 的文件，显示和发送的重复频率是 2000 Hz，对话框中"
         "写着：重复频率 “5000”：超出脉冲宽度允许的重复频率，降为 2000Hz。",
         [] {
             PanelRig rig;
             started(rig).panel.import_set(file_with("5000", "1000", "0.50"));
             rig.run_upload();
             return sent_order(rig, {Field::prf}) + "\n" +
                    texts::import_notes(rig.view.all<Imported>().at(0).notes);
         },
         "prf=2000\n设置文件中以下参数没有按文件下发：\n"
         "重复频率 “5000”：超出脉冲宽度允许的重复频率，降为 2000Hz"},
        {"interlock.html",
         "例如脉冲宽度为 5000 ns 时导入重复频率 2000、脉冲宽度 1000 的文件，程序先发送脉冲宽度 "
         "1000 ns，再发送重复频率 2000 Hz",
         [] {
             PanelRig rig(at(3, 5000));
             started(rig).panel.import_set(file_with("2000", "1000", "0.50"));
             rig.run_upload();
             return sent_order(rig, {Field::prf, Field::pw});
         },
         "pw=1000 prf=2000"},
        {"probe.html",
         "导入参数文件时，探头频率按文件中的脉冲宽度重新计算，文件中保存的探头频率不使用",
         [] {
             PanelRig rig;
             started(rig).panel.import_set(file_with("1000", "100", "9.99"));
             return rig.view.shown.at(Field::probe_freq);
         },
         "5.00"},
        {"probe.html", "文件中的脉冲宽度不能使用时，探头频率保持原来的显示",
         [] {
             PanelRig rig;
             started(rig).panel.import_set(file_with("1000", "9000", "9.99"));
             return rig.view.shown.at(Field::probe_freq);
         },
         "2.50"},
        {"probe.html",
         "启动恢复参数时，先显示文件中保存的探头频率，不重新计算；随后从仪器读回参数时重新计算，"
         "没有仪器时保持文件中的值。",
         [] {
             PanelRig rig, absent;
             absent.instrument.faults.absent = true;
             const SettingsTexts last = file_with("1000", "100", "9.99");
             std::string shown;
             rig.view.during_wait.push_back(
                 [&] { shown = rig.view.shown.at(Field::probe_freq); }); // before the answer
             rig.panel.start(last);
             absent.panel.start(last);
             return shown + " " + rig.view.shown.at(Field::probe_freq) + " " +
                    absent.view.shown.at(Field::probe_freq);
         },
         "9.99 2.50 9.99"},
    };
    for (const Claim& claim : claims) {
        SCOPED_TRACE(claim.text);
        EXPECT_TRUE(page_text(claim.page).contains(QString::fromUtf8(claim.text))) << claim.page;
        EXPECT_EQ(claim.observed(), claim.expected);
    }
}

// ---- the pages and the help project

QStringList page_names() {
    return QDir(kSources + "/pages").entryList({"*.html"}, QDir::Files, QDir::Name);
}

std::set<QString> locals_in(const QString& project_file) {
    const QString text = QString::fromUtf8(read(kSources + "/" + project_file));
    static const QRegularExpression local(R"re(name="Local" value="([^"]+)")re");
    std::set<QString> found;
    for (const auto& match : local.globalMatch(text))
        found.insert(match.captured(1));
    return found;
}

TEST(Manual, ContentsTreeAndIndexNameEveryPageAndNothingElse) {
    const QStringList pages = page_names();
    ASSERT_GE(pages.size(), 10);
    for (const QString& project_file : {QString("5120.hhc"), QString("5120.hhk")}) {
        const std::set<QString> listed = locals_in(project_file);
        for (const QString& page : pages)
            EXPECT_TRUE(listed.count(page)) << qPrintable(project_file + " lacks " + page);
        for (const QString& local : listed)
            EXPECT_TRUE(pages.contains(local)) << qPrintable(project_file + ": " + local);
    }
}

TEST(Manual, BuiltPagesDeclareTheirCharsetAndEveryLinkAndPictureIsThere) {
    static const QRegularExpression target(R"re((?:href|src)="([^"#:]+)")re");
    for (const QString& page : page_names()) {
        const QString text = QString::fromUtf8(read(kHtml + "/" + page));
        EXPECT_TRUE(text.contains("charset=utf-8")) << qPrintable(page);
        EXPECT_FALSE(text.contains("<!-- table:")) << qPrintable(page);
        for (const auto& match : target.globalMatch(text))
            EXPECT_TRUE(QFileInfo::exists(kHtml + "/" + match.captured(1)))
                << qPrintable(page + " -> " + match.captured(1));
    }
}

TEST(Manual, CompiledChmHoldsEveryPageWithGbkContents) {
    if (QString(QLM_MANUAL_CHM).isEmpty()) GTEST_SKIP() << "built without chmcmd";
    const QByteArray chm = read(QLM_MANUAL_CHM);
    ASSERT_TRUE(chm.startsWith("ITSF"));
    for (const QString& name : page_names() + QStringList{"5120.hhc", "5120.hhk"})
        EXPECT_TRUE(chm.contains(("/" + name).toUtf8())) << qPrintable(name);
    // What chmcmd compiled: the contents tree in GBK, which Windows' viewer reads.
    const QByteArray contents = read(QString(QLM_MANUAL_STAGE) + "/5120.hhc");
    QStringDecoder gbk("GBK");
    EXPECT_TRUE(QString(gbk(contents)).contains("重复频率与脉冲宽度"));
    EXPECT_FALSE(contents.contains(QString("重复频率").toUtf8()));
    EXPECT_TRUE(read(QString(QLM_MANUAL_STAGE) + "/5120.hhp").contains("Language=0x804"));
}

} // namespace

namespace {

// The remote command table of docs/remote-control.md is the one the table program writes from
// the command table, the installed one has it whole, and the manual's lists every command.
TEST(Manual, TheRemoteCommandTablesComeFromTheCommandTable) {
    const QByteArray readme = read(kSources + "/../docs/remote-control.md");
    const QByteArray generated = read(kTables + "/remote.md");
    const QByteArray begin = "<!-- remote-table -->\n", end = "<!-- /remote-table -->";
    const qsizetype from = readme.indexOf(begin), to = readme.indexOf(end);
    ASSERT_TRUE(from >= 0 && to > from);
    EXPECT_EQ(readme.mid(from + begin.size(), to - from - begin.size()).toStdString(),
              generated.toStdString())
        << "run qlm_manual_tables and copy remote.md into docs/remote-control.md";
    EXPECT_TRUE(read(kTables + "/scpi-commands.md").endsWith(generated));
    const auto table = rows("remote");
    EXPECT_EQ(table.size(), static_cast<std::size_t>(generated.count('\n') - 2));
    const QString page = QString::fromUtf8(read(kHtml + "/remote.html"));
    EXPECT_TRUE(page.contains("<code>PULSe:WIDTh[?]</code>"));
    EXPECT_TRUE(page.contains("<code>*IDN?</code>"));
}

} // namespace
