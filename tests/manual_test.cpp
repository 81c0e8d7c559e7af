// The operator's manual: its generated tables say what the parameter rules do, its contents
// tree and index name every page, its links and pictures are there, and the compiled CHM
// holds every page with the contents files in GBK.
#include "panel/upload.h"
#include "params/descriptor.h"
#include "params/entry_rules.h"
#include "params/interlock.h"
#include "params/param_set.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringDecoder>

#include <gtest/gtest.h>

#include <set>

using namespace qlm;

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

// "25 ~ 995 ns" -> {25, 995}
std::pair<long, long> span_of(const QString& text) {
    const QStringList parts = text.section(' ', 0, 2).split(" ~ ");
    return {parts[0].toLong(), parts[1].toLong()};
}

std::string shown(Field entry, long typed) {
    const EntryResult result = confirm_entry(entry, std::to_string(typed));
    return result.accepted ? result.display_text : "refused";
}

Field entry_named(const QString& name) {
    if (name == "接收增益") return Field::gain;
    if (name == "脉冲电压") return Field::voltage;
    EXPECT_EQ(name, "脉冲宽度");
    return Field::pw;
}

TEST(ManualTables, EntryRangesStepsAndRoundingAreTheEntryRules) {
    const auto table = rows("entries");
    ASSERT_EQ(table.size(), 4u); // gain, voltage, two width bands
    Field entry{};
    long previous_last = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        QStringList cells = table[i];
        const bool first_band = cells.size() == 4;
        if (first_band) {
            if (i > 0) EXPECT_EQ(shown(entry, previous_last + 1), "refused");
            entry = entry_named(cells[0]);
            cells.removeFirst();
        }
        const auto [low, high] = span_of(cells[0]);
        const long step = cells[1].section(' ', 0, 0).toLong();
        if (first_band) EXPECT_EQ(shown(entry, low - 1), "refused") << low;
        // Every typed number of the band shows as the step below it.
        for (long typed = low; typed <= high; ++typed)
            ASSERT_EQ(shown(entry, typed), std::to_string(low + (typed - low) / step * step))
                << typed;
        previous_last = high;
    }
    EXPECT_EQ(shown(entry, previous_last + 1), "refused");
    EXPECT_EQ(shown(Field::voltage, -150), "150"); // the table's example of the ignored sign
}

TEST(ManualTables, RefusalMessagesAreTheProgramsOwn) {
    const auto table = rows("refusals");
    ASSERT_EQ(table.size(), 3u);
    for (const QStringList& cells : table) {
        const Field entry = entry_named(cells[0]);
        EXPECT_EQ(cells[1].toStdString(), refusal_text(entry, ConfirmedBy::enter));
        EXPECT_EQ(cells[2].toStdString(), refusal_text(entry, ConfirmedBy::button));
    }
}

TEST(ManualTables, ListEntriesInListOrder) {
    const auto table = rows("lists");
    const auto lists = list_fields();
    ASSERT_EQ(table.size(), lists.size());
    for (std::size_t i = 0; i < lists.size(); ++i) {
        QStringList entries;
        for (const Choice& choice : descriptor(lists[i]).choices)
            entries << QString::fromStdString(list_text(lists[i], choice.text));
        EXPECT_EQ(table[i][1], entries.join("、"));
    }
}

TEST(ManualTables, InterlockBandsCoverEveryWidthWithTheProgramsLimits) {
    const auto table = rows("interlock");
    ASSERT_FALSE(table.empty());
    const auto& prf = descriptor(Field::prf).choices;
    EXPECT_EQ(span_of(table.front()[0]).first, descriptor(Field::pw).numeric->min);
    EXPECT_EQ(span_of(table.back()[0]).second, descriptor(Field::pw).numeric->max);
    long previous_high = 0;
    for (const QStringList& cells : table) {
        const auto [low, high] = span_of(cells[0]);
        if (previous_high) {
            // The next band starts at the next width one can set.
            EXPECT_EQ(shown(Field::pw, low - 1), std::to_string(previous_high));
            EXPECT_EQ(shown(Field::pw, low), std::to_string(low));
        }
        const int max = cells[1].section(' ', 0, 0).toInt();
        for (long width = low; width <= high; ++width)
            ASSERT_EQ(max_prf_for_pw(Decimal{width, 1}), max) << width;
        QStringList allowed;
        for (const Choice& choice : prf)
            if (prf_allowed(*parse_decimal(choice.text), Decimal{low, 1}))
                allowed << QString::fromStdString(list_text(Field::prf, choice.text));
        EXPECT_EQ(cells[2], allowed.join("、"));
        previous_high = high;
    }
}

TEST(ManualTables, ProbeFrequenciesUploadStepsAndInitialValues) {
    for (const QStringList& cells : rows("probe"))
        EXPECT_EQ(cells[1].section(' ', 0, 0).toStdString(),
                  probe_freq_text(cells[0].section(' ', 0, 0).toLong()));

    const auto steps = rows("upload");
    ASSERT_EQ(steps.size(), static_cast<std::size_t>(Upload::kSteps));
    for (int step = 1; step <= Upload::kSteps; ++step) {
        const QStringList& cells = steps[static_cast<std::size_t>(step - 1)];
        EXPECT_EQ(cells[1], QString::number(step * Upload::kIntervalMs) + " ms");
        EXPECT_EQ(cells[2] == "（不发送）", !upload_field(step).has_value()) << step;
    }

    const auto initial = rows("initial");
    ASSERT_EQ(initial.size(), kFieldCount);
    for (std::size_t i = 0; i < kFieldCount; ++i)
        EXPECT_TRUE(initial[i][1].contains(QString::fromUtf8(descriptor(kAllFields[i]).initial)));
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
