#include "ui/help.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

#ifdef _WIN32
#include <windows.h>
#endif

namespace qlm {

QString open_help_document() {
    const QString file = QString::fromLatin1(kHelpFile);
#ifdef _WIN32
    // "hh.exe 5120.CHM": the viewer finds the file in the current folder, and reports a
    // missing one itself.
    QProcess viewer;
    viewer.setProgram(QStringLiteral("hh.exe"));
    viewer.setArguments({file});
    viewer.setCreateProcessArgumentsModifier([](QProcess::CreateProcessArguments* arguments) {
        arguments->startupInfo->dwFlags |= STARTF_USESHOWWINDOW;
        arguments->startupInfo->wShowWindow = SW_SHOWNORMAL;
    });
    if (viewer.startDetached()) return {};
    return QString::fromUtf8("无法启动帮助查看器 hh.exe。");
#else
    // The desktop's viewer may say nothing about a missing file, so look first.
    const QFileInfo found(file);
    if (!found.isFile())
        return QString::fromUtf8("找不到帮助文档 %1（当前文件夹 %2）。")
            .arg(file, QDir::toNativeSeparators(QDir::currentPath()));
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(found.absoluteFilePath()))) return {};
    return QString::fromUtf8("没有可以打开帮助文档 %1 的查看器。").arg(file);
#endif
}

} // namespace qlm
