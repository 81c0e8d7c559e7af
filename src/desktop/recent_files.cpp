#include "desktop/recent_files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qlm {

namespace {

bool same_file(const QString& a, const QString& b) {
#ifdef _WIN32
    return a.compare(b, Qt::CaseInsensitive) == 0;
#else
    return a == b;
#endif
}

QStringList without(QStringList paths, const QString& path) {
    paths.removeIf([&path](const QString& each) { return same_file(each, path); });
    return paths;
}

} // namespace

QString recent_files_in(const QString& config_folder) {
    // No folder is no list, never one in the working folder.
    if (config_folder.isEmpty()) return {};
    return QDir(config_folder).filePath(QStringLiteral("recent-files.txt"));
}

QStringList RecentFiles::list() const {
    if (file_.isEmpty()) return {};
    QFile file(file_);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QStringList paths;
    // A damaged or foreign file gives what it has of absolute paths, no more than kMax.
    for (const QByteArray& line : file.read(64 * 1024).split('\n')) {
        const QString path = QString::fromUtf8(line.trimmed());
        if (path.isEmpty() || !QDir::isAbsolutePath(path) ||
            without(paths, path).size() != paths.size())
            continue;
        if (paths.size() == kMax) break;
        paths << path;
    }
    return paths;
}

QString RecentFiles::add(const QString& path) {
    // A name with a line end cannot be kept in a list of lines.
    if (path.contains('\n') || path.contains('\r')) return {};
    QStringList paths = without(list(), path);
    paths.prepend(path);
    while (paths.size() > kMax)
        paths.removeLast();
    return write(paths);
}

QString RecentFiles::remove(const QString& path) {
    const QStringList paths = list();
    const QStringList kept = without(paths, path);
    return kept.size() == paths.size() ? QString() : write(kept);
}

QString RecentFiles::write(const QStringList& paths) const {
    if (file_.isEmpty()) return {};
    if (!QDir().mkpath(QFileInfo(file_).absolutePath()))
        return QStringLiteral("%1: cannot make the folder").arg(file_);
    QSaveFile file(file_);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    for (const QString& path : paths)
        file.write(path.toUtf8() + '\n');
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace qlm
