#pragma once
// The menu bar: "文件", "参数", "帮助" and their items, by their designer names.

class QAction;
class QMainWindow;

namespace qlm {

struct Menus {
    QAction* open = nullptr;    // 导入设置
    QAction* save = nullptr;    // 导出设置
    QAction* sheet = nullptr;   // 导出设置单（PDF）
    QAction* quit = nullptr;    // 退出, last: ends as the close button does
    QAction* seting2 = nullptr; // 仪器参数（手动获取）
    QAction* seting3 = nullptr; // 核对仪器参数
    QAction* restore = nullptr; // 恢复参数: enabled while the panel keeps a set
    QAction* remote = nullptr;  // 远程控制（SCPI）, checkable
    QAction* journal = nullptr; // 操作记录
    QAction* helpd = nullptr;   // 帮助文档
    QAction* about = nullptr;   // 关于......
};

Menus build_menus(QMainWindow* window);

} // namespace qlm
