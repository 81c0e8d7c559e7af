#include "settings/settings_file.h"

#include "settings/gbk_codec.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#ifdef Q_OS_UNIX
#include <sys/stat.h>

#include <cerrno>
#endif

#include <vector>

namespace qlm {
namespace {

bool is_private_use(QChar c) {
    return c.unicode() >= 0xE000 && c.unicode() <= 0xF8FF;
}

// Text of clean GBK bytes. Neither codec flags all bad input, so also refuse the
// replacement character, NUL, private-use characters (GBK's user-defined areas and
// stray 0xFF bytes land there) and anything that does not encode back to the same bytes.
// 0x80 alone is the euro sign, as in code page 936.
std::optional<QString> decode_gbk(const QByteArray& bytes) {
    const std::optional<QString> text = gbk_decode(bytes);
    if (!text) return std::nullopt;
    for (const QChar c : *text)
        if (c == QChar::ReplacementCharacter || c.isNull() || is_private_use(c))
            return std::nullopt;
    if (gbk_encode(*text) != bytes) return std::nullopt;
    return text;
}

// The GBK bytes of one field, or why it cannot be stored.
QString encode_field(std::size_t index, const std::string& utf8, QByteArray& out) {
    const auto has = [&](char c) { return utf8.find(c) != std::string::npos; };
    if (has('"') || has('\r') || has('\n') || has('\0'))
        return QStringLiteral("第%1个参数含有双引号、换行或空字符，无法保存").arg(index + 1);
    const std::optional<QByteArray> encoded = gbk_encode(QString::fromStdString(utf8));
    out = encoded.value_or(QByteArray());
    // An encoder may put '?' in place of what it cannot hold without saying so.
    const std::optional<QString> back = encoded ? decode_gbk(out) : std::nullopt;
    if (!back || back->toStdString() != utf8)
        return QStringLiteral("第%1个参数含有GBK无法表示的字符，无法保存").arg(index + 1);
    return {};
}

bool is_line_end(QChar c) {
    return c == u'\r' || c == u'\n';
}
bool is_blank(QChar c) {
    return c == u' ' || c == u'\t';
}

LoadResult failure(const QString& reason) {
    return {std::nullopt, reason};
}

} // namespace

QString settings_texts_problem(const SettingsTexts& fields) {
    QByteArray bytes;
    for (std::size_t i = 0; i < fields.size(); ++i)
        if (QString problem = encode_field(i, fields[i], bytes); !problem.isEmpty()) return problem;
    return {};
}

QByteArray format_settings(const SettingsTexts& fields) {
    QByteArray out;
    QByteArray bytes;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (!encode_field(i, fields[i], bytes).isEmpty()) return {};
        out += '"' + bytes + "\"\r\n";
    }
    return out;
}

// Reads like the classic line-input reader: a field ends at a comma or a line end
// (CR LF, LF or CR); blanks around an unquoted field are dropped; a quoted field is
// taken as written, up to its closing quote, and whatever follows that quote on the
// way to the next comma or line end is skipped. A quote must close on its own line.
// Blank lines hold no field and are skipped, so a stray empty line does not shift
// the fields; an empty text is written as "" and read back as such. A comma always
// opens one more field, even when a line end follows it.
LoadResult parse_settings(const QByteArray& bytes) {
    if (bytes.size() > kMaxSettingsFileBytes) return failure(QStringLiteral("文件过大"));
    const std::optional<QString> decoded = decode_gbk(bytes);
    if (!decoded) return failure(QStringLiteral("文件不是有效的GBK文本"));
    const QString& text = *decoded;
    const qsizetype n = text.size();

    qsizetype pos = 0;
    int line = 1;
    const auto skip_line_end = [&] {
        if (text[pos] == u'\r' && pos + 1 < n && text[pos + 1] == u'\n') ++pos;
        ++pos;
        ++line;
    };

    std::vector<QString> fields;
    bool comma_before = false;
    while (fields.size() < kFieldCount) {
        while (pos < n && is_blank(text[pos]))
            ++pos;
        if (pos == n || is_line_end(text[pos])) {
            if (comma_before) fields.emplace_back();
            comma_before = false;
            if (pos == n) break;
            skip_line_end();
            continue;
        }
        if (text[pos] == u'"') {
            qsizetype close = pos + 1;
            while (close < n && text[close] != u'"' && !is_line_end(text[close]))
                ++close;
            if (close == n || text[close] != u'"')
                return failure(QStringLiteral("第%1行的引号未闭合").arg(line));
            fields.push_back(text.mid(pos + 1, close - pos - 1));
            pos = close + 1;
            while (pos < n && text[pos] != u',' && !is_line_end(text[pos]))
                ++pos;
        } else {
            const qsizetype start = pos;
            while (pos < n && text[pos] != u',' && !is_line_end(text[pos]))
                ++pos;
            qsizetype end = pos;
            while (end > start && is_blank(text[end - 1]))
                --end;
            fields.push_back(text.mid(start, end - start));
        }
        comma_before = pos < n && text[pos] == u',';
        if (comma_before)
            ++pos;
        else if (pos < n)
            skip_line_end();
    }
    if (fields.size() < kFieldCount) return failure(QStringLiteral("文件中的参数少于十个"));

    SettingsTexts texts;
    for (std::size_t i = 0; i < texts.size(); ++i)
        texts[i] = fields[i].toStdString();
    return {texts, {}};
}

namespace {

// Whether looking the path up fails with `error` (POSIX only; never elsewhere).
bool lookup_fails_with([[maybe_unused]] const QString& path, [[maybe_unused]] int error) {
#ifdef Q_OS_UNIX
    struct stat st;
    return ::stat(QFile::encodeName(path).constData(), &st) != 0 && errno == error;
#else
    return false;
#endif
}

// A folder on the way that may not be searched hides a file from QFileInfo.
bool hidden_by_permission(const QString& path) {
    return lookup_fails_with(path, EACCES);
}

// Symbolic links that lead back to themselves: no file at their end.
bool link_loop(const QString& path) {
#ifdef Q_OS_UNIX
    return lookup_fails_with(path, ELOOP);
#else
    return false;
#endif
}

// Why a file that could not be opened for reading was not: the path as it stands now.
QString unreadable_reason(const QString& path) {
    const QFileInfo info(path);
    if (link_loop(path)) return QStringLiteral("无法打开文件：符号链接形成循环");
    if (info.isDir()) return QStringLiteral("无法打开文件：这是文件夹");
    if (info.exists() && !info.isFile()) return QStringLiteral("无法打开文件：不是普通文件");
    if (!info.exists() && !hidden_by_permission(path))
        return QStringLiteral("无法打开文件：文件不存在");
    if (!info.exists() || !info.isReadable()) return QStringLiteral("无法打开文件：没有读取权限");
    // Windows keeps its permissions in lists that QFileInfo does not read.
    return QStringLiteral("无法打开文件：没有读取权限或文件正被占用");
}

// Why the file could not be written; `error` is what QSaveFile saw.
QString unwritable_reason(const QString& path, QFileDevice::FileError error) {
    const QFileInfo info(path);
    const QFileInfo folder(info.absolutePath());
    const bool may_write = folder.isWritable() && (!info.exists() || info.isWritable());
    if (!folder.isDir() && !hidden_by_permission(folder.filePath()))
        return QStringLiteral("无法写入文件：文件夹不存在");
    if (!folder.isDir() || !may_write) return QStringLiteral("无法写入文件：没有写入权限");
    if (error == QFileDevice::WriteError || error == QFileDevice::ResourceError)
        return QStringLiteral("无法写入文件：写入失败，磁盘可能已满");
    if (error == QFileDevice::RenameError) return QStringLiteral("无法写入文件：无法替换原文件");
    return QStringLiteral("无法写入文件：无法在该文件夹中创建文件");
}

} // namespace

LoadResult load_settings_file(const QString& path) {
    // Only a regular file: a folder or a device such as /dev/zero is not read.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
        return failure(unreadable_reason(path));
    const QByteArray bytes = file.read(kMaxSettingsFileBytes + 1);
    if (file.error() != QFileDevice::NoError) return failure(QStringLiteral("无法读取文件"));
    return parse_settings(bytes);
}

QString save_settings_file(const QString& path, const SettingsTexts& fields) {
    if (QString problem = settings_texts_problem(fields); !problem.isEmpty()) return problem;
    return save_file_bytes(path, format_settings(fields));
}

QString replace_refusal(const QString& path) {
    // The rename would put a file in place of a FIFO or a device (as root even /dev/null).
    const QFileInfo existing(path);
    if (link_loop(path)) return QStringLiteral("无法写入文件：符号链接形成循环");
    if (existing.isDir()) return QStringLiteral("无法写入文件：这是文件夹");
    if (existing.exists() && !existing.isFile())
        return QStringLiteral("无法写入文件：不是普通文件");
    return {};
}

QString save_file_bytes(const QString& path, const QByteArray& bytes) {
    if (QString refusal = replace_refusal(path); !refusal.isEmpty()) return refusal;
    // Written to a temporary file and renamed over the old one only when complete;
    // on any failure the old file stays as it was.
    QSaveFile file(path);
    const auto failed = [&] { return unwritable_reason(path, file.error()); };
    if (!file.open(QIODevice::WriteOnly)) return failed();
    // commit() does not see a failed flush of the buffered bytes, so flush first.
    if (file.write(bytes) != bytes.size() || !file.flush()) {
        // A write cut short after its first bytes (a size limit) leaves no error set.
        QString reason = unwritable_reason(
            path, file.error() == QFileDevice::NoError ? QFileDevice::WriteError : file.error());
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return failed();
    return {};
}

} // namespace qlm
