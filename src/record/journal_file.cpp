#include "record/journal_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>

#include <algorithm>

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX // std::max below
#endif
#include <windows.h>
#else
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace qlm {
namespace {

const QString kPrefix = QStringLiteral("journal-");
const QString kSuffix = QStringLiteral(".jsonl");
const QString kKeepFile = QStringLiteral("journal.ini");
const QString kKeepKey = QStringLiteral("keep_days");

#ifdef _WIN32
QString system_error(DWORD code) {
    switch (code) {
    case ERROR_ACCESS_DENIED:
        return QStringLiteral("没有写入权限");
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return QStringLiteral("写入失败，磁盘可能已满");
    case ERROR_PATH_NOT_FOUND:
        return QStringLiteral("文件夹不存在");
    case ERROR_WRITE_PROTECT:
        return QStringLiteral("文件系统只读");
    case ERROR_SHARING_VIOLATION:
        return QStringLiteral("文件正被另一程序占用");
    default:
        break;
    }
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    LocalFree(text);
    return message;
}

// Only a file on disk, never through a link or junction: the link itself is opened and
// refused. Closed and INVALID_HANDLE_VALUE, with the reason, otherwise.
HANDLE open_regular(const QString& path, DWORD access, DWORD disposition, QString& problem) {
    const HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), access,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                    FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD code = GetLastError();
        problem = code == ERROR_FILE_NOT_FOUND ? QString() : system_error(code);
        return file;
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (GetFileType(file) != FILE_TYPE_DISK || !GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT))) {
        problem = QStringLiteral("不是普通文件");
        CloseHandle(file);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

// A lock on one byte far past any data serialises the writers: Wine does not place a
// FILE_APPEND_DATA write at the end as one piece. The lock is held for one write and its
// flush; a writer stuck longer than kLockWaitMs is reported, never waited for.
constexpr int kLockWaitMs = 5000;

// 0 when locked, else the last error.
DWORD lock_for_append(HANDLE file, OVERLAPPED& at) {
    at.Offset = 0xFFFFFFFEu;
    at.OffsetHigh = 0x7FFFFFFFu;
    const ULONGLONG deadline = GetTickCount64() + kLockWaitMs;
    for (;;) {
        if (LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &at))
            return 0;
        const DWORD code = GetLastError();
        if ((code != ERROR_LOCK_VIOLATION && code != ERROR_IO_PENDING) ||
            GetTickCount64() >= deadline)
            return code;
        Sleep(2);
    }
}

// The file's last byte is not a line end (a line cut short).
bool ends_open(HANDLE file) {
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size) || size.QuadPart == 0) return false;
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>((size.QuadPart - 1) & 0xFFFFFFFF);
    at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
    char last = '\n';
    DWORD read = 0;
    return ReadFile(file, &last, 1, &read, &at) && read == 1 && last != '\n';
}

// Appending only (no write access to the rest), and each line under the writers' lock.
QString append_whole(const QString& path, QByteArray bytes) {
    QString problem;
    const HANDLE file = open_regular(path, FILE_APPEND_DATA | GENERIC_READ, OPEN_ALWAYS, problem);
    if (file == INVALID_HANDLE_VALUE) return problem;
    OVERLAPPED at{};
    if (const DWORD code = lock_for_append(file, at); code != 0) {
        CloseHandle(file);
        return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING
                   ? QStringLiteral("另一程序正在写入，等待超时")
                   : system_error(code);
    }
    if (ends_open(file)) bytes.prepend('\n');
    DWORD written = 0;
    if (!WriteFile(file, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != static_cast<DWORD>(bytes.size()))
        problem = system_error(GetLastError());
    else if (!FlushFileBuffers(file))
        problem = system_error(GetLastError());
    UnlockFileEx(file, 0, 1, 0, &at);
    CloseHandle(file);
    return problem;
}

// The file's last `limit` bytes at most; `skipped` the bytes before them.
QString read_tail(const QString& path, qint64 limit, QByteArray& bytes, qint64& skipped) {
    QString problem;
    const HANDLE file = open_regular(path, GENERIC_READ, OPEN_EXISTING, problem);
    if (file == INVALID_HANDLE_VALUE) return problem;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(file, &size)) problem = system_error(GetLastError());
    skipped = std::max<qint64>(0, size.QuadPart - limit);
    LARGE_INTEGER from{};
    from.QuadPart = skipped;
    if (problem.isEmpty() && !SetFilePointerEx(file, from, nullptr, FILE_BEGIN))
        problem = system_error(GetLastError());
    bytes.resize(problem.isEmpty() ? static_cast<qsizetype>(size.QuadPart - skipped) : 0);
    qsizetype got = 0;
    while (problem.isEmpty() && got < bytes.size()) {
        DWORD read = 0;
        if (!ReadFile(file, bytes.data() + got, static_cast<DWORD>(bytes.size() - got), &read,
                      nullptr))
            problem = system_error(GetLastError());
        if (read == 0) break; // cut meanwhile
        got += read;
    }
    bytes.truncate(got);
    CloseHandle(file);
    return problem;
}
#else
QString system_error(int error) {
    switch (error) {
    case ENOSPC:
    case EFBIG:
    case EDQUOT:
        return QStringLiteral("写入失败，磁盘可能已满");
    case EACCES:
    case EPERM:
        return QStringLiteral("没有权限");
    case EROFS:
        return QStringLiteral("文件系统只读");
    case ELOOP:
        return QStringLiteral("是符号链接，不经由它读写");
    case EISDIR:
        return QStringLiteral("这是文件夹");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("文件夹不存在");
    default:
        return QString::fromLocal8Bit(std::strerror(error));
    }
}

// Only a regular file, never through a symbolic link, and never waiting on a FIFO or a
// device: refused before opening when it is something else, and checked again once open.
// -1, with the reason (empty for a missing file), otherwise.
int open_regular(const QString& path, int flags, QString& problem) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    if (::lstat(name.constData(), &st) == 0 && !S_ISREG(st.st_mode)) {
        problem = S_ISDIR(st.st_mode)   ? QStringLiteral("这是文件夹")
                  : S_ISLNK(st.st_mode) ? system_error(ELOOP)
                                        : QStringLiteral("不是普通文件");
        return -1;
    }
    int fd = ::open(name.constData(), flags | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0 && errno == EACCES && (flags & O_ACCMODE) == O_RDWR) // write-only will do
        fd = ::open(name.constData(),
                    (flags & ~O_ACCMODE) | O_WRONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
    if (fd < 0) {
        problem = errno == ENOENT && !(flags & O_CREAT) ? QString() : system_error(errno);
        return -1;
    }
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        problem = QStringLiteral("不是普通文件");
        ::close(fd);
        return -1;
    }
    return fd;
}

// O_APPEND: the kernel places each write at the end as one piece.
QString append_whole(const QString& path, QByteArray bytes) {
    QString problem;
    const int fd = open_regular(path, O_RDWR | O_APPEND | O_CREAT, problem);
    if (fd < 0) return problem;
    struct stat st {};
    char last = '\n';
    if (::fstat(fd, &st) == 0 && st.st_size > 0 && ::pread(fd, &last, 1, st.st_size - 1) == 1 &&
        last != '\n')
        bytes.prepend('\n'); // a line cut short stays a line of its own
    const ssize_t written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (written != bytes.size())
        problem = system_error(written < 0 ? errno : ENOSPC);
    else if (::fsync(fd) != 0)
        problem = system_error(errno);
    if (::close(fd) != 0 && problem.isEmpty()) problem = system_error(errno);
    return problem;
}

// The file's last `limit` bytes at most; `skipped` the bytes before them.
QString read_tail(const QString& path, qint64 limit, QByteArray& bytes, qint64& skipped) {
    QString problem;
    const int fd = open_regular(path, O_RDONLY, problem);
    if (fd < 0) return problem;
    struct stat st {};
    if (::fstat(fd, &st) != 0) st.st_size = 0;
    skipped = std::max<qint64>(0, st.st_size - limit);
    bytes.resize(static_cast<qsizetype>(st.st_size - skipped));
    qsizetype got = 0;
    while (got < bytes.size()) {
        const ssize_t read =
            ::pread(fd, bytes.data() + got, static_cast<size_t>(bytes.size() - got), skipped + got);
        if (read < 0 && errno == EINTR) continue;
        if (read < 0) problem = system_error(errno);
        if (read <= 0) break; // cut meanwhile
        got += read;
    }
    bytes.truncate(got);
    ::close(fd);
    return problem;
}
#endif

QDate day_of(const QString& file_name) {
    static const QRegularExpression pattern(
        QStringLiteral("^journal-(\\d{4}-\\d{2}-\\d{2})\\.jsonl$"));
    const auto match = pattern.match(file_name);
    return match.hasMatch() ? QDate::fromString(match.captured(1), Qt::ISODate) : QDate();
}

} // namespace

QString default_journal_folder() {
    const bool simulator = QCoreApplication::applicationName().endsWith(QStringLiteral("-sim"));
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Kavronix/") +
           (simulator ? QStringLiteral("qlm5120rx-simulator") : QStringLiteral("qlm5120rx")) +
           QStringLiteral("/journal");
}

QString journal_file(const QString& folder, const QDate& day) {
    return QDir(folder).filePath(kPrefix + day.toString(Qt::ISODate) + kSuffix);
}

QString append_journal_line(const QString& folder, const QDate& day, const std::string& line) {
    if (folder.isEmpty()) return QStringLiteral("没有可用的文件夹");
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(folder);
    QByteArray bytes = QByteArray::fromStdString(line);
    bytes.replace('\n', ' '); // one line, whatever it holds
    bytes += '\n';
    const QString path = journal_file(folder, day);
    const QString problem = append_whole(path, std::move(bytes));
    return problem.isEmpty() ? problem
                             : QDir::toNativeSeparators(path) + QStringLiteral("：") + problem;
}

QList<QDate> journal_days(const QString& folder) {
    QList<QDate> days;
    const QStringList names =
        QDir(folder).entryList({kPrefix + QStringLiteral("*") + kSuffix}, QDir::Files);
    for (const QString& name : names) {
        if (const QDate day = day_of(name); day.isValid()) days << day;
    }
    std::sort(days.begin(), days.end(), std::greater<>());
    return days;
}

JournalLines read_journal(const QString& folder, const QDate& day, qint64 max_bytes) {
    JournalLines out;
    const QString path = journal_file(folder, day);
    QByteArray all;
    if (const QString problem = read_tail(path, max_bytes, all, out.skipped); !problem.isEmpty()) {
        out.error = QDir::toNativeSeparators(path) + QStringLiteral("：") + problem;
        return out;
    }
    qsizetype start = 0;
    if (out.skipped > 0) { // the first line there is most likely a part
        start = all.indexOf('\n') + 1;
        if (start == 0) start = all.size();
        out.skipped += start;
    }
    while (start < all.size()) {
        const qsizetype end = all.indexOf('\n', start);
        if (end < 0) break; // being written, or cut short
        if (end > start) out.lines.push_back(all.mid(start, end - start).toStdString());
        start = end + 1;
    }
    return out;
}

int journal_keep_days(const QString& folder) {
    QSettings settings(QDir(folder).filePath(kKeepFile), QSettings::IniFormat);
    return std::max(0, settings.value(kKeepKey, 0).toInt());
}

QString set_journal_keep_days(const QString& folder, int days) {
    if (!QDir().mkpath(folder))
        return QStringLiteral("无法创建文件夹 ") + QDir::toNativeSeparators(folder);
    QSettings settings(QDir(folder).filePath(kKeepFile), QSettings::IniFormat);
    settings.setValue(kKeepKey, std::max(0, days));
    settings.sync();
    return settings.status() == QSettings::NoError ? QString()
                                                   : QStringLiteral("无法写入 ") + kKeepFile;
}

int remove_old_journals(const QString& folder, const QDate& today, int keep) {
    if (keep <= 0) return 0;
    int removed = 0;
    for (const QDate& day : journal_days(folder)) {
        if (day.daysTo(today) >= keep && QFile::remove(journal_file(folder, day))) ++removed;
    }
    return removed;
}

} // namespace qlm
