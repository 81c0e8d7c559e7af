#pragma once
// The journal window: one day's journal as a table (time, program, parameter, old, new,
// result), filtered by parameter; the folder opened; how many days are kept. Not modal.

#include <QWidget>

#include <functional>

class QComboBox;
class QLabel;
class QSpinBox;
class QTableWidget;

namespace qlm {

class JournalWindow : public QWidget {
    Q_OBJECT
public:
    JournalWindow(QString folder, std::function<bool(const QString&)> open_folder,
                  QWidget* parent = nullptr);

    // The days and the chosen day's rows read again.
    void reload();

    QComboBox* days() const { return days_; }
    QComboBox* parameters() const { return parameters_; }
    QTableWidget* table() const { return table_; }
    QSpinBox* keep_days() const { return keep_; }
    QLabel* note() const { return note_; }

private:
    void show_day();
    void apply_keep();

    QString folder_;
    std::function<bool(const QString&)> open_folder_;
    QComboBox* days_ = nullptr;
    QComboBox* parameters_ = nullptr;
    QTableWidget* table_ = nullptr;
    QSpinBox* keep_ = nullptr;
    QLabel* note_ = nullptr;
};

} // namespace qlm
