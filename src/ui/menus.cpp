#include "ui/menus.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>

namespace qlm {

namespace {

QMenu* add_menu(QMainWindow* window, const char* name, const char* caption) {
    QMenu* menu = window->menuBar()->addMenu(QString::fromUtf8(caption));
    menu->setObjectName(QString::fromLatin1(name));
    return menu;
}

QAction* add_item(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

} // namespace

Menus build_menus(QMainWindow* window) {
    Menus out;
    QMenu* file = add_menu(window, "file", "文件");
    out.open = add_item(file, "open", "导入设置");
    out.save = add_item(file, "save", "导出设置");
    out.sheet = add_item(file, "sheet", "导出设置单（PDF）");
    file->addSeparator()->setObjectName(QStringLiteral("quit_separator"));
    out.quit = add_item(file, "quit", "退出");
    QMenu* setname = add_menu(window, "setname", "参数");
    out.seting2 = add_item(setname, "seting2", "仪器参数（手动获取）");
    out.seting3 = add_item(setname, "seting3", "核对仪器参数");
    out.restore = add_item(setname, "restore", "恢复参数");
    out.restore->setEnabled(false);
    out.remote = add_item(setname, "remote", "远程控制（SCPI）");
    out.remote->setCheckable(true);
    out.journal = add_item(setname, "journal", "操作记录");
    QMenu* help = add_menu(window, "help", "帮助");
    out.helpd = add_item(help, "helpd", "帮助文档");
    out.about = add_item(help, "about", "关于......");
    return out;
}

} // namespace qlm
