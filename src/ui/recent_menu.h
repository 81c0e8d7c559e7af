#pragma once
// The recent settings files at the end of the file menu, numbered, newest first; rebuilt
// each time the menu opens, so a file another window used shows too.

#include "desktop/recent_files.h"

#include <QObject>

class QMenu;

namespace qlm {

class RecentMenu : public QObject {
    Q_OBJECT
public:
    RecentMenu(QMenu* file_menu, RecentFiles& recent);
    void refresh();

signals:
    void chosen(const QString& path);

private:
    QMenu* menu_;
    RecentFiles& recent_;
};

// An item's caption: its number as the access key, the path shortened in the middle.
QString recent_caption(int number, const QString& path);

} // namespace qlm
