#include "ui/qt_chinese.h"

#include <QCoreApplication>
#include <QDir>
#include <QLibraryInfo>
#include <QTranslator>

namespace qlm {

QStringList qt_chinese_folders() {
    return {QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("translations")),
            QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
}

QString install_qt_chinese(QCoreApplication& app, const QStringList& folders) {
    for (const QString& folder : folders) {
        auto* translator = new QTranslator(&app);
        if (translator->load(QString::fromLatin1(kQtChineseFile), folder) &&
            QCoreApplication::installTranslator(translator))
            return {};
        delete translator;
    }
    return QStringLiteral("%1 not found in %2")
        .arg(QString::fromLatin1(kQtChineseFile),
             QDir::toNativeSeparators(folders.join(QStringLiteral(", "))));
}

} // namespace qlm
