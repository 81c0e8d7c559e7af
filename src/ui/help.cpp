#include "ui/help.h"

#include "panel/texts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qlm {

namespace {

// The first folder that holds the file, as a full path; empty when none does.
QString first_found(const QStringList& folders, const QString& name) {
    for (const QString& folder : folders) {
        if (folder.isEmpty()) continue;
        const QFileInfo file(QDir(folder).filePath(name));
        if (file.isFile()) return file.absoluteFilePath();
    }
    return {};
}

QString folder_list(const QStringList& folders) {
    QStringList shown;
    for (const QString& folder : folders)
        if (!folder.isEmpty()) shown << QDir::toNativeSeparators(QDir(folder).absolutePath());
    shown.removeDuplicates();
    return shown.join(QString::fromUtf8("、"));
}

} // namespace

HelpSystem default_help_system() {
    const QDir program(QCoreApplication::applicationDirPath());
    HelpSystem system;
    system.folders = {program.path(),
                      QDir::cleanPath(program.filePath(QStringLiteral("../share/qlm5120rx"))),
                      QDir::currentPath()};
    system.find_program = [](const QString& name) { return QStandardPaths::findExecutable(name); };
    system.start = [](const QString& executable, const QStringList& arguments) {
        return QProcess::startDetached(executable, arguments);
    };
    system.open_url = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return system;
}

QString open_help_document(const HelpSystem& system) {
    const QString chm = first_found(system.folders, QString::fromLatin1(kHelpFile));
    if (!chm.isEmpty()) {
        for (const QString& name : kChmViewers) {
            const QString viewer = system.find_program(name);
            if (!viewer.isEmpty() && system.start(viewer, {chm})) return {};
        }
    }
    // The same pages in the browser: every desktop has one.
    const QString html = first_found(system.folders, QString::fromLatin1(kHelpHtmlIndex));
    if (!html.isEmpty() && system.open_url(QUrl::fromLocalFile(html))) return {};
    // Whatever the desktop opens CHM files with.
    if (!chm.isEmpty() && system.open_url(QUrl::fromLocalFile(chm))) return {};
    if (chm.isEmpty() && html.isEmpty())
        return QString::fromStdString(
            texts::help_missing(kHelpFile, folder_list(system.folders).toStdString()));
    return QString::fromStdString(
        texts::no_help_viewer(QDir::toNativeSeparators(chm.isEmpty() ? html : chm).toStdString()));
}

QString open_help_document() {
#ifdef _WIN32
    // "hh.exe 5120.CHM": the viewer finds the file in the current folder, and reports a
    // missing one itself.
    QProcess viewer;
    viewer.setProgram(QStringLiteral("hh.exe"));
    viewer.setArguments({QString::fromLatin1(kHelpFile)});
    viewer.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_SHOWNORMAL;
    });
    if (viewer.startDetached()) return {};
    return QString::fromUtf8(texts::kHelpViewerFailed);
#else
    return open_help_document(default_help_system());
#endif
}

} // namespace qlm
