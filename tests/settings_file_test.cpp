#include "settings/settings_file.h"

#include "settings/gbk_codec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "test_support.h"

#ifdef Q_OS_LINUX
#include <sys/stat.h>
#endif

using namespace qlm;

namespace {

const SettingsTexts kInitial{"单", "0", "100", "内部", "1000", "10", "200", "MHz", "5.0", "50"};
const SettingsTexts kOther{"双", "05", "400", "外部", "5000", "30", "6000", "kHz", "0.50", "150"};

QByteArray bytes_of(std::initializer_list<unsigned char> list) {
    QByteArray out;
    for (const unsigned char b : list)
        out.append(static_cast<char>(b));
    return out;
}

// UTF-8 test text as the GBK bytes a file holds.
QByteArray gbk(const std::string& utf8) {
    return gbk_encode(QString::fromStdString(utf8)).value();
}

// Ten CR LF lines holding the given texts, quoted.
QByteArray quoted_lines(const SettingsTexts& texts) {
    QByteArray out;
    for (const std::string& t : texts)
        out += '"' + gbk(t) + "\"\r\n";
    return out;
}

QByteArray read_all(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return file.readAll();
}

void write_all(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

QStringList entries(const QTemporaryDir& dir) {
    return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

SettingsTexts parsed(const QByteArray& bytes) {
    const LoadResult result = parse_settings(bytes);
    EXPECT_TRUE(result.fields) << result.error.toStdString();
    EXPECT_TRUE(result.error.isEmpty());
    return result.fields.value_or(SettingsTexts{});
}

std::string parse_error(const QByteArray& bytes) {
    const LoadResult result = parse_settings(bytes);
    EXPECT_FALSE(result.fields);
    return result.error.toStdString();
}

} // namespace

TEST(FormatSettings, InitialTextsGiveTheExactFileBytes) {
    // "单" B5 A5, "内部" C4 DA B2 BF.
    const QByteArray expected = bytes_of({
        0x22, 0xB5, 0xA5, 0x22, 0x0D, 0x0A,             // "单"
        0x22, 0x30, 0x22, 0x0D, 0x0A,                   // "0"
        0x22, 0x31, 0x30, 0x30, 0x22, 0x0D, 0x0A,       // "100"
        0x22, 0xC4, 0xDA, 0xB2, 0xBF, 0x22, 0x0D, 0x0A, // "内部"
        0x22, 0x31, 0x30, 0x30, 0x30, 0x22, 0x0D, 0x0A, // "1000"
        0x22, 0x31, 0x30, 0x22, 0x0D, 0x0A,             // "10"
        0x22, 0x32, 0x30, 0x30, 0x22, 0x0D, 0x0A,       // "200"
        0x22, 0x4D, 0x48, 0x7A, 0x22, 0x0D, 0x0A,       // "MHz"
        0x22, 0x35, 0x2E, 0x30, 0x22, 0x0D, 0x0A,       // "5.0"
        0x22, 0x35, 0x30, 0x22, 0x0D, 0x0A,             // "50"
    });
    EXPECT_EQ(format_settings(kInitial), expected);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("initial.qini");
    ASSERT_EQ(save_settings_file(path, kInitial), QString());
    EXPECT_EQ(read_all(path), expected);
    EXPECT_EQ(parsed(expected), kInitial);
}

TEST(FormatSettings, TextsTheFormatCannotHoldAreRefused) {
    const std::pair<std::size_t, std::string> cases[] = {
        {0, "a\"b"}, {1, "a\r\nb"},   {2, "a\nb"}, {3, "a\rb"}, {4, std::string("a\0b", 3)},
        {5, "😀"},    {6, "\xE5\x8D"}, // emoji; cut-off UTF-8
        {9, "\xFF"},
    };
    for (const auto& [index, text] : cases) {
        SettingsTexts texts = kInitial;
        texts[index] = text;
        const QString problem = settings_texts_problem(texts);
        EXPECT_TRUE(problem.contains(QStringLiteral("第%1个参数").arg(index + 1)))
            << index << ": " << problem.toStdString();
        EXPECT_TRUE(format_settings(texts).isEmpty()) << index;
    }
    EXPECT_EQ(settings_texts_problem(kInitial), QString());
    // Commas, blanks, empty texts and the euro sign (0x80 in code page 936) are fine.
    EXPECT_EQ(settings_texts_problem({"a,b", " x ", "", "€", "Ω", "", "", "", "", ""}), QString());
}

// Both codecs (ICU on Linux, code page 936 on Windows) give the same bytes for the
// characters where GBK's variants differ, and refuse the same things.
TEST(GbkCodec, BothCodecsAgreeOnTheEdges) {
    const std::pair<std::string, QByteArray> same[] = {
        {"单", bytes_of({0xB5, 0xA5})},
        {"€", bytes_of({0x80})},       // euro: 0x80 alone
        {"·", bytes_of({0xA1, 0xA4})}, // U+00B7
        {"—", bytes_of({0xA1, 0xAA})}, // U+2014
        {"Ω", bytes_of({0xA6, 0xB8})},
        {"―", bytes_of({0xA8, 0x44})}, // U+2015
        {"", QByteArray()},
        {"a", QByteArray("a")},
        // The program's own values, which skip ICU's tables, and each beside another one.
        {"单双内部外部",
         bytes_of({0xB5, 0xA5, 0xCB, 0xAB, 0xC4, 0xDA, 0xB2, 0xBF, 0xCD, 0xE2, 0xB2, 0xBF})},
        {"内部·", bytes_of({0xC4, 0xDA, 0xB2, 0xBF, 0xA1, 0xA4})},
    };
    for (const auto& [text, bytes] : same) {
        EXPECT_EQ(gbk_encode(QString::fromStdString(text)), bytes) << text;
        EXPECT_EQ(parsed(bytes + ",2,3,4,5,6,7,8,9,10")[0], text) << text;
    }
    // No best fit: characters GBK lacks are refused, not written as a look-alike or '?'.
    for (const char* text : {"😀", "e\u0301", "\u20A9", "\u0100", "\u00AD", "\u00DF", "\u0142"})
        EXPECT_FALSE(settings_texts_problem({text, "", "", "", "", "", "", "", "", ""}).isEmpty())
            << text;
    // User-defined areas (AAA1.., F8A1.., A140..), the codes that GBK left to private use
    // and later standards filled (A6D9, FE50), a lone 0xFF and private-use characters are
    // refused both ways, whichever private-use code point or error a codec gives them.
    for (const QByteArray& user :
         {bytes_of({0xAA, 0xA1}), bytes_of({0xF8, 0xA1}), bytes_of({0xA1, 0x40}),
          bytes_of({0xFE, 0xFE}), bytes_of({0xA6, 0xD9}), bytes_of({0xFE, 0x50}), bytes_of({0xFF})})
        EXPECT_EQ(parse_error(user + ",2,3,4,5,6,7,8,9,10"), "文件不是有效的GBK文本")
            << user.toHex().toStdString();
    EXPECT_FALSE(settings_texts_problem({"\uE000", "", "", "", "", "", "", "", "", ""}).isEmpty());
}

TEST(SettingsFile, ExportThenImportGivesTheSameTexts) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath("other.qini");
    ASSERT_EQ(save_settings_file(path, kOther), QString());
    const LoadResult other = load_settings_file(path);
    ASSERT_TRUE(other.fields) << other.error.toStdString();
    EXPECT_EQ(*other.fields, kOther); // "05" kept as written

    // Replacing keeps no temporary files behind.
    const SettingsTexts odd{"单, 双", " 内部 ", "", "€", "Ω", "a", "b", "c", "d", "e"};
    ASSERT_EQ(save_settings_file(path, odd), QString());
    EXPECT_EQ(load_settings_file(path).fields, odd);
    EXPECT_EQ(entries(dir), QStringList{"other.qini"});
}

// The first ten fields, whatever the line ends, blanks, quotes and blank lines.
TEST(ParseSettings, ReadsTheFirstTenFields) {
    QByteArray lf = quoted_lines(kOther), cr = lf, mixed;
    lf.replace("\r\n", "\n");
    cr.replace("\r\n", "\r");
    const char* const ends[] = {"\r\n", "\n", "\r"};
    for (std::size_t i = 0; i < kOther.size(); ++i)
        mixed += '"' + gbk(kOther[i]) + '"' + ends[i % 3];
    const SettingsTexts one_to_ten{"1", "2", "3", "4", "5", "6", "7", "8", "9", "10"};
    const struct {
        const char* name;
        QByteArray bytes;
        SettingsTexts fields;
    } cases[] = {
        {"LF", lf, kOther},
        {"CR", cr, kOther},
        {"mixed line ends", mixed, kOther},
        {"no line end after the last field", lf.chopped(1), kOther},
        // Commas outside quotes end fields; unquoted fields lose their surrounding blanks.
        {"unquoted", gbk("\"单\",0, 100 ,\"内部\"\r\n1000,10\r\n\t200\t\r\nMHz,5.0,50\r\n"),
         kInitial},
        // Inside quotes a comma and blanks are text; blanks outside the quotes are not.
        {"quoted",
         "  \"a, b\"  ,\" c \"\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n",
         {"a, b", " c ", "3", "4", "5", "6", "7", "8", "9", "10"}},
        // Text after a closing quote is skipped up to the next comma or line end.
        {"after a closing quote", "\"1\"x,2,3,4,5,6,7,8,9,10", one_to_ten},
        // Blank lines hold no field; "" and an empty text between commas do.
        {"empty fields",
         "\r\n\"\"\r\n\r\n  \r\n2,,4\r\n5,\r\n7\n\n8\r\r9\r\n10\r\n\r\n",
         {"", "2", "", "4", "5", "", "7", "8", "9", "10"}},
        // Whatever follows the tenth field is not read, even an open quote.
        {"after the tenth", quoted_lines(kOther) + "\"eleven\"\r\n12,13\r\n\"open", kOther},
        {"twelve on one line", "1,2,3,4,5,6,7,8,9,10,11,12\r\n", one_to_ten},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsed(c.bytes), c.fields) << c.name;
}

TEST(ParseSettings, RefusesShortFilesAndOpenQuotes) {
    const std::string too_few = "文件中的参数少于十个";
    QByteArray nine = quoted_lines(kInitial);
    nine.chop(6); // drop "50" CR LF
    const std::pair<QByteArray, std::string> cases[] = {
        {"", too_few},
        {"\r\n\r\n", too_few},
        {nine, too_few},
        {nine + "\r\n\r\n", too_few}, // blank lines do not count as fields
        {"\"1\r\n2\"\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8\r\n9\r\n10\r\n", "第1行的引号未闭合"},
        {"1\n2\n3\n4\n5\n6\n7\n8\n9\n\"10", "第10行的引号未闭合"},
        {"1\r\n2\r\n3,\"4\r\n", "第3行的引号未闭合"},
    };
    for (const auto& [bytes, error] : cases)
        EXPECT_EQ(parse_error(bytes), error) << bytes.toStdString();
}

TEST(ParseSettings, RefusesBytesThatAreNotGbkText) {
    const std::string not_gbk = "文件不是有效的GBK文本";
    const QByteArray good = quoted_lines(kInitial);
    const QByteArray bad_bytes[] = {
        QByteArray("\0", 1),    // NUL
        bytes_of({0xB5}),       // lead byte cut off by the end of the file
        bytes_of({0x81, 0x7F}), // lead byte with an impossible trail byte
        bytes_of({0xB5, 0x0D}), // lead byte cut off by a line end
        bytes_of({0xFF, 0xFF}), // 0xFF is no GBK byte
        bytes_of({0xAA, 0xA1}), // user-defined area
    };
    for (const QByteArray& bad : bad_bytes) {
        EXPECT_EQ(parse_error(good + bad), not_gbk) << bad.toHex().toStdString();
        EXPECT_EQ(parse_error(bad + good), not_gbk) << bad.toHex().toStdString();
        QByteArray inside = good;
        inside.insert(1, bad); // within the quotes of the first field
        EXPECT_EQ(parse_error(inside), not_gbk) << bad.toHex().toStdString();
    }
    // 0x80 alone is the euro sign in code page 936.
    QByteArray euro = good;
    euro.insert(1, '\x80');
    EXPECT_EQ(parsed(euro)[0], "€单");
}

namespace {

struct PathCase {
    QString path;
    std::string reason;
};

// Makes plain.qini and folder.qini in `dir`; paths there that are no regular file to read or
// write, with their reasons: below a missing folder or a regular file, a folder, a FIFO.
std::vector<PathCase> unusable_paths(const QTemporaryDir& dir, const std::string& failed,
                                     const std::string& no_folder) {
    write_all(dir.filePath("plain.qini"), quoted_lines(kOther));
    EXPECT_TRUE(QDir(dir.path()).mkdir("folder.qini"));
    std::vector<PathCase> cases{
        {dir.filePath("missing/open.qini"), failed + "：" + no_folder},
        {dir.filePath("plain.qini/open.qini"), failed + "：" + no_folder},
        {dir.filePath("folder.qini"), failed + "：这是文件夹"},
    };
#ifdef Q_OS_LINUX
    const QString fifo = dir.filePath("fifo.qini");
    EXPECT_EQ(::mkfifo(fifo.toLocal8Bit().constData(), 0600), 0);
    cases.push_back({fifo, failed + "：不是普通文件"});
    const QString loop = dir.filePath("loop.qini");
    EXPECT_TRUE(QFile::link(loop, loop));
    cases.push_back({loop, failed + "：符号链接形成循环"});
#endif
    return cases;
}

} // namespace

TEST(LoadSettingsFile, SaysWhyAPathCannotBeRead) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::vector<PathCase> cases = unusable_paths(dir, "无法打开文件", "文件不存在");
    cases.push_back({dir.filePath("missing.qini"), "无法打开文件：文件不存在"});
    if (QFile::exists("/dev/zero")) cases.push_back({"/dev/zero", "无法打开文件：不是普通文件"});
    for (const PathCase& c : cases) {
        const LoadResult loaded = load_settings_file(c.path); // a FIFO must not block here
        EXPECT_FALSE(loaded.fields) << c.path.toStdString();
        EXPECT_EQ(loaded.error.toStdString(), c.reason) << c.path.toStdString();
    }
}

TEST(SaveSettingsFile, SaysWhyAPathCannotBeWrittenAndWritesNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<PathCase> cases = unusable_paths(dir, "无法写入文件", "文件夹不存在");
    const QStringList before = entries(dir);
    for (const PathCase& c : cases)
        EXPECT_EQ(save_settings_file(c.path, kInitial).toStdString(), c.reason)
            << c.path.toStdString();
    EXPECT_EQ(entries(dir), before);
    EXPECT_EQ(read_all(dir.filePath("plain.qini")), quoted_lines(kOther));
}

TEST(LoadSettingsFile, RefusesWhatIsTooLarge) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // Up to the limit is read; one byte more is refused, and so is 1 MB.
    const QByteArray good = quoted_lines(kInitial);
    const QString path = dir.filePath("padded.qini");
    write_all(path, good + QByteArray(kMaxSettingsFileBytes - good.size(), ' '));
    EXPECT_EQ(load_settings_file(path).fields, kInitial);
    for (const qsizetype padding :
         {kMaxSettingsFileBytes - good.size() + 1, qsizetype{1024 * 1024}}) {
        write_all(path, good + QByteArray(padding, ' '));
        const LoadResult big = load_settings_file(path);
        EXPECT_FALSE(big.fields) << padding;
        EXPECT_EQ(big.error.toStdString(), "文件过大") << padding;
    }
}

// A text the format cannot hold, or a write that fails (a file size limit makes it fail,
// whoever runs the test): the earlier file stays whole, with nothing beside it.
TEST(SaveSettingsFile, ARefusedTextOrAFailedWriteLeavesThePreviousFileWhole) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QByteArray previous = quoted_lines(kOther);
    const QString path = dir.filePath("kept.qini");
    write_all(path, previous);
    SettingsTexts emoji = kInitial;
    emoji[3] = "😀";
    EXPECT_FALSE(save_settings_file(path, emoji).isEmpty());
    EXPECT_EQ(read_all(path), previous);
#ifdef Q_OS_LINUX
    QString reason;
    {
        const qlm::testing::FileSizeLimit limit(16);
        reason = save_settings_file(path, kInitial);
    }
    EXPECT_EQ(reason.toStdString(), "无法写入文件：写入失败，磁盘可能已满");
    EXPECT_EQ(read_all(path), previous);
#endif
    EXPECT_EQ(entries(dir), QStringList{"kept.qini"});
}
