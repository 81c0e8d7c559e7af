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
    wchar_t* text = nullptr;
    FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    QString message = text ? QString::fromWCharArray(text).trimmed() : QString::number(code);
    LocalFree(text);
    return message;
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

// Appending only (no write access to the rest), and each line under the writers' lock.
QString append_whole(const QString& path, const QByteArray& bytes) {
    const HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t*>(path.utf16()), FILE_APPEND_DATA | GENERIC_READ,
                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_ALWAYS,
                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return system_error(GetLastError());
    OVERLAPPED at{};
    if (const DWORD code = lock_for_append(file, at); code != 0) {
        CloseHandle(file);
        return code == ERROR_LOCK_VIOLATION || code == ERROR_IO_PENDING
                   ? QStringLiteral("另一程序正在写入，等待超时")
                   : system_error(code);
    }
    DWORD written = 0;
    QString problem;
    if (!WriteFile(file, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
        written != static_cast<DWORD>(bytes.size()))
        problem = system_error(GetLastError());
    else if (!FlushFileBuffers(file))
        problem = system_error(GetLastError());
    UnlockFileEx(file, 0, 1, 0, &at);
    CloseHandle(file);
    return problem;
}
#else
// O_APPEND: the kernel places each write at the end as one piece.
QString append_whole(const QString& path, const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) return QString::fromLocal8Bit(std::strerror(errno));
    QString problem;
    const ssize_t written = ::write(fd, bytes.constData(), static_cast<size_t>(bytes.size()));
    if (written != bytes.size())
        problem =
            written < 0 ? QString::fromLocal8Bit(std::strerror(errno)) : QStringLiteral("磁盘已满");
    else if (::fsync(fd) != 0)
        problem = QString::fromLocal8Bit(std::strerror(errno));
    if (::close(fd) != 0 && problem.isEmpty())
        problem = QString::fromLocal8Bit(std::strerror(errno));
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
    const QString problem = append_whole(path, bytes);
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

JournalLines read_journal(const QString& folder, const QDate& day) {
    JournalLines out;
    QFile file(journal_file(folder, day));
    if (!file.exists()) return out;
    if (!file.open(QIODevice::ReadOnly)) {
        out.error =
            QDir::toNativeSeparators(file.fileName()) + QStringLiteral("：") + file.errorString();
        return out;
    }
    const QByteArray all = file.readAll();
    qsizetype start = 0;
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
