#include "ui/recent_menu.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace qlm {

namespace {
constexpr qsizetype kLongestPath = 60;
const QString kPrefix = QStringLiteral("recent");
} // namespace

QString recent_caption(int number, const QString& path) {
    QString shown = QDir::toNativeSeparators(path);
    if (shown.size() > kLongestPath) {
        const qsizetype keep = (kLongestPath - 3) / 2;
        shown = shown.left(keep) + QStringLiteral("...") + shown.right(keep);
    }
    shown.replace('&', QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(number).arg(shown);
}

RecentMenu::RecentMenu(QMenu* file_menu, RecentFiles& recent)
    : QObject(file_menu), menu_(file_menu), recent_(recent) {
    menu_->setToolTipsVisible(true);
    connect(menu_, &QMenu::aboutToShow, this, &RecentMenu::refresh);
    refresh();
}

void RecentMenu::refresh() {
    for (QAction* action : menu_->actions()) {
        if (action->objectName().startsWith(kPrefix)) {
            menu_->removeAction(action);
            action->setObjectName(QString()); // gone, though its own signal may still run
            action->deleteLater();
        }
    }
    const QStringList paths = recent_.list();
    if (paths.isEmpty()) return;
    // Above 退出, which stays last.
    QAction* end = nullptr;
    for (QAction* action : menu_->actions()) {
        if (action->objectName() == QLatin1String("quit_separator")) end = action;
    }
    QAction* separator = menu_->insertSeparator(end);
    separator->setObjectName(kPrefix);
    for (int i = 0; i < paths.size(); ++i) {
        auto* item = new QAction(recent_caption(i + 1, paths[i]), menu_);
        menu_->insertAction(end, item);
        item->setObjectName(kPrefix + QString::number(i + 1));
        item->setToolTip(QDir::toNativeSeparators(paths[i]));
        const QString path = paths[i];
        connect(item, &QAction::triggered, this, [this, path] { emit chosen(path); });
    }
}

} // namespace qlm
