#include "ui/entry_field.h"

#include <QKeyEvent>

namespace qlm {

EntryField::EntryField(Field field, QWidget* parent) : QLineEdit(parent), field_(field) {
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setAcceptDrops(false);
    setDragEnabled(false);
}

bool EntryField::passes(const QKeyEvent* event) const {
    if (event->key() == Qt::Key_Backspace) return true;
    for (const auto shortcut : {QKeySequence::Paste, QKeySequence::Copy, QKeySequence::Cut,
                                QKeySequence::SelectAll, QKeySequence::Undo, QKeySequence::Redo}) {
        if (event->matches(shortcut)) return true;
    }
    const QString text = event->text();
    if (text.isEmpty()) return true; // cursor keys, Delete, Home, End
    const QList<uint> characters = text.toUcs4();
    return characters.size() == 1 && entry_accepts(field_, characters.front());
}

void EntryField::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_Meta:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        QLineEdit::keyPressEvent(event);
        return;
    default:
        break;
    }
    emit keyArrived();
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter) {
        if (!text().isEmpty()) emit enterPressed();
        event->accept();
    } else if (passes(event)) {
        QLineEdit::keyPressEvent(event);
    } else {
        event->accept(); // discarded
    }
    emit keyDone();
}

} // namespace qlm
