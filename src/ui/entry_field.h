#pragma once
// A numeric entry field with the key filter of its parameter: digits, Backspace and Enter
// (and minus where the parameter takes one) reach it; other characters are discarded.
// Cursor keys, Delete and the edit shortcuts work as usual. Drops and input methods are
// off, so text arrives only by key or paste; a confirmation checks it all the same.

#include "params/entry_rules.h"

#include <QLineEdit>

namespace qlm {

class EntryField : public QLineEdit {
    Q_OBJECT
public:
    EntryField(Field field, QWidget* parent = nullptr);

signals:
    void keyArrived();   // any key, before anything else happens
    void enterPressed(); // Enter on a field that is not empty
    void keyDone();      // after the key was applied or discarded

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool passes(const QKeyEvent* event) const;
    Field field_;
};

} // namespace qlm
