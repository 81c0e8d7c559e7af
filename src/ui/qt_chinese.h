#pragma once
// Qt's own Simplified Chinese texts (dialog labels, standard buttons, context menus), so the
// whole program speaks Chinese whatever the system's language.

#include <QString>
#include <QStringList>

class QCoreApplication;

namespace qlm {

constexpr const char* kQtChineseFile = "qtbase_zh_CN.qm";

// The program's translations/ folder first (where the Windows package puts the file),
// then Qt's own translations folder.
QStringList qt_chinese_folders();

// Loads the first qtbase_zh_CN.qm found in folders and installs it for the life of app.
// Empty on success, else the folders looked in.
QString install_qt_chinese(QCoreApplication& app, const QStringList& folders);

} // namespace qlm
