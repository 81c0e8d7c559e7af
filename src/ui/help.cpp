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

// Each file to the desktop until one opens; `nothing` when none does.
void open_in_turn(const HelpSystem& system, QStringList files, const QString& nothing,
                  HelpReport report) {
    if (files.isEmpty()) return report(nothing);
    const QString file = files.takeFirst();
    system.open_url(QUrl::fromLocalFile(file), [system, files, nothing, report](bool opened) {
        if (!opened) open_in_turn(system, files, nothing, report);
    });
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
    system.open_url = [](const QUrl& url, std::function<void(bool)> done) {
        // xdg-open starts at once whether or not anything can open the file: its exit status
        // says whether something did.
        const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
        if (opener.isEmpty()) return done(QDesktopServices::openUrl(url));
        auto* process = new QProcess(QCoreApplication::instance());
        QObject::connect(process, &QProcess::finished, process,
                         [process, done](int code, QProcess::ExitStatus status) {
                             process->deleteLater();
                             done(status == QProcess::NormalExit && code == 0);
                         });
        QObject::connect(process, &QProcess::errorOccurred, process,
                         [process, done](QProcess::ProcessError error) {
                             if (error != QProcess::FailedToStart) return;
                             process->deleteLater();
                             done(false);
                         });
        process->setStandardOutputFile(QProcess::nullDevice());
        process->setStandardErrorFile(QProcess::nullDevice());
        process->start(opener, {url.toString()});
    };
    return system;
}

void open_help_document(const HelpSystem& system, HelpReport report) {
    const QString chm = first_found(system.folders, QString::fromLatin1(kHelpFile));
    if (!chm.isEmpty()) {
        for (const QString& name : kChmViewers) {
            const QString viewer = system.find_program(name);
            if (!viewer.isEmpty() && system.start(viewer, {chm})) return;
        }
    }
    const QString html = first_found(system.folders, QString::fromLatin1(kHelpHtmlIndex));
    if (chm.isEmpty() && html.isEmpty())
        return report(QString::fromStdString(
            texts::help_missing(kHelpFile, folder_list(system.folders).toStdString())));
    // The same pages in the browser: every desktop has one. Else whatever the desktop opens
    // CHM files with.
    QStringList files;
    if (!html.isEmpty()) files << html;
    if (!chm.isEmpty()) files << chm;
    const QString nothing = QString::fromStdString(
        texts::no_help_viewer(QDir::toNativeSeparators(chm.isEmpty() ? html : chm).toStdString()));
    open_in_turn(system, files, nothing, std::move(report));
}

void open_help_document(HelpReport report) {
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
    if (!viewer.startDetached()) report(QString::fromUtf8(texts::kHelpViewerFailed));
#else
    open_help_document(default_help_system(), std::move(report));
#endif
}

} // namespace qlm
