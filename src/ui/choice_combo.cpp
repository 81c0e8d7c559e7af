#include "ui/choice_combo.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

namespace qlm {

ChoiceCombo::ChoiceCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr); // a completion would confirm typed text
    // Leaving the field, or Enter, would pick the entry matching the typed text.
    QObject::disconnect(lineEdit(), SIGNAL(editingFinished()), this, nullptr);
    QObject::disconnect(lineEdit(), SIGNAL(returnPressed()), this, nullptr);
    lineEdit()->installEventFilter(this);
    installEventFilter(this);
    connect(this, &QComboBox::activated, this, &ChoiceCombo::chosen);
}

void ChoiceCombo::fill(const QStringList& entries) {
    const QString shown = currentText();
    addItems(entries);
    setCurrentIndex(-1);
    setEditText(shown);
}

void ChoiceCombo::showPopup() {
    emit opening();
    QComboBox::showPopup();
}

void ChoiceCombo::wheelEvent(QWheelEvent* event) {
    event->ignore();
}

bool ChoiceCombo::eventFilter(QObject* watched, QEvent* event) {
    // Enter in the edit field would pick the entry matching the typed text.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            event->accept();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

} // namespace qlm
