#include "ui/help.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QUrl>

namespace qlm {

QString open_help_document() {
    const QString file = QString::fromLatin1(kHelpFile);
#ifdef _WIN32
    if (QProcess::startDetached(QStringLiteral("hh.exe"), {file})) return {};
    return QString::fromUtf8("无法启动帮助查看器 hh.exe。");
#else
    if (!QFileInfo(file).isFile())
        return QString::fromUtf8("找不到帮助文档 %1（在当前文件夹中查找）。").arg(file);
    if (QDesktopServices::openUrl(QUrl::fromLocalFile(QFileInfo(file).absoluteFilePath())))
        return {};
    return QString::fromUtf8("没有可以打开帮助文档 %1 的查看器。").arg(file);
#endif
}

} // namespace qlm
