#include "ui/keyboard.h"

#include "params/descriptor.h"

#include "ui/choice_combo.h"
#include "ui/entry_field.h"

#include <QAction>
#include <QKeySequence>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>

#include <algorithm>

namespace qlm {

std::vector<QWidget*> reading_order(const Form1Widgets& ui) {
    std::vector<QWidget*> order;
    for (ChoiceCombo* list : ui.lists())
        order.push_back(list);
    for (const Field field : entry_fields()) {
        order.push_back(ui.of(field).button);
        order.push_back(ui.of(field).entry);
    }
    // All of them sit in the control panel: its rows from the top, each from the left.
    std::stable_sort(order.begin(), order.end(), [](const QWidget* a, const QWidget* b) {
        return std::pair(a->y(), a->x()) < std::pair(b->y(), b->x());
    });
    return order;
}

void set_up_keyboard(QMainWindow* window, const Form1Widgets& ui) {
    ui.open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ui.save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    ui.seting2->setShortcut(QKeySequence(Qt::Key_F5));
    ui.helpd->setShortcut(QKeySequence(Qt::Key_F1));
    ui.quit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
    auto* menus = new QShortcut(QKeySequence(Qt::Key_F10), window);
    QObject::connect(menus, &QShortcut::activated, window, [window] {
        QMenuBar* bar = window->menuBar();
        if (!bar->actions().isEmpty()) bar->setActiveAction(bar->actions().front());
    });
    const std::vector<QWidget*> order = reading_order(ui);
    for (QWidget* control : order)
        control->setFocusPolicy(Qt::StrongFocus);
    for (std::size_t i = 1; i < order.size(); ++i)
        QWidget::setTabOrder(order[i - 1], order[i]);
}

} // namespace qlm
