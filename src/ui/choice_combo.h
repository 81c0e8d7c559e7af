#pragma once
// An editable drop-down list in which only a real choice of an entry counts: a choice in
// the opened list, or a keyboard step on the closed list. Typed text is never confirmed
// (Enter, leaving the field and completion are not choices) and the wheel does not change the
// value.

#include <QComboBox>

namespace qlm {

class ChoiceCombo : public QComboBox {
    Q_OBJECT
public:
    explicit ChoiceCombo(QWidget* parent = nullptr);

    // Adds the entries and keeps the text shown, with no entry selected.
    void fill(const QStringList& entries);

signals:
    void chosen(int position);
    void opening(); // just before the list drops down

public:
    void showPopup() override;

protected:
    void wheelEvent(QWheelEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace qlm
