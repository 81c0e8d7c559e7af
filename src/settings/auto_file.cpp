#include "settings/auto_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qlm {
namespace {

// An empty folder name would mean the working folder: treat it as no folder.
QString file_in(const QString& folder) {
    return folder.isEmpty() ? QString() : QDir(folder).filePath(QStringLiteral("open.qini"));
}

QString shown(const QString& path) {
    return QDir::toNativeSeparators(path);
}

QString no_folder() {
    return QStringLiteral("没有可用的文件夹");
}

// A path for a message; the folder's role when there is no path.
QString where(const QString& path, const QString& role) {
    return path.isEmpty() ? role : shown(path);
}

} // namespace

AutoFileFolders default_auto_file_folders() {
    return {QCoreApplication::applicationDirPath(),
            QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)};
}

QString auto_file_to_load(const AutoFileFolders& folders) {
    const QString copy = file_in(folders.config_folder);
    if (!copy.isEmpty() && QFileInfo::exists(copy)) return copy;
    return file_in(folders.program_folder);
}

LoadResult load_auto_file(const AutoFileFolders& folders) {
    const QString path = auto_file_to_load(folders);
    if (path.isEmpty()) return {std::nullopt, QStringLiteral("自动设置文件：%1").arg(no_folder())};
    LoadResult result = load_settings_file(path);
    if (!result.fields) result.error = shown(path) + QStringLiteral("：") + result.error;
    return result;
}

QString save_auto_file(const AutoFileFolders& folders, const SettingsTexts& fields) {
    // Texts that cannot be stored fail the same way everywhere.
    if (QString problem = settings_texts_problem(fields); !problem.isEmpty()) return problem;

    const QString program_file = file_in(folders.program_folder);
    const QString copy = file_in(folders.config_folder);
    const QString program_error =
        program_file.isEmpty() ? no_folder() : save_settings_file(program_file, fields);
    if (program_error.isEmpty()) {
        if (copy.isEmpty() || !QFileInfo::exists(copy) || QFile::remove(copy)) return {};
        // The stale copy would win at the next start: bring it up to date instead.
        const QString copy_error = save_settings_file(copy, fields);
        if (copy_error.isEmpty()) return {};
        return QStringLiteral("已写入%1，但无法删除或更新旧的%2：%3")
            .arg(shown(program_file), shown(copy), copy_error);
    }

    QString copy_error = no_folder();
    if (!copy.isEmpty()) {
        copy_error = QDir().mkpath(folders.config_folder) ? save_settings_file(copy, fields)
                                                          : QStringLiteral("无法创建文件夹");
        if (copy_error.isEmpty()) return {};
    }
    return QStringLiteral("无法保存自动设置文件。\n%1：%2\n%3：%4")
        .arg(where(program_file, QStringLiteral("程序文件夹")), program_error,
             where(copy, QStringLiteral("配置文件夹")), copy_error);
}

} // namespace qlm
