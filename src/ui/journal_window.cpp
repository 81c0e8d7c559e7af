#include "ui/journal_window.h"

#include "panel/texts.h"
#include "params/descriptor.h"
#include "record/journal_file.h"
#include "record/journal_rows.h"

#include <QComboBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

namespace qlm {

namespace {

QString qs(const std::string& text) {
    return QString::fromStdString(text);
}

const QStringList kColumns{"时间", "程序", "参数", "原值", "新值", "结果"};

} // namespace

JournalWindow::JournalWindow(QString folder, std::function<bool(const QString&)> open_folder,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), folder_(std::move(folder)),
      open_folder_(std::move(open_folder)) {
    setObjectName("JournalWindow");
    setWindowTitle(QStringLiteral("操作记录"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(900, 480);

    days_ = new QComboBox(this);
    days_->setObjectName("days");
    days_->setAccessibleName(QStringLiteral("日期"));
    parameters_ = new QComboBox(this);
    parameters_->setObjectName("parameters");
    parameters_->setAccessibleName(QStringLiteral("参数"));
    parameters_->addItem(QStringLiteral("全部参数"), QString());
    for (const Field field : kAllFields)
        parameters_->addItem(QString::fromUtf8(descriptor(field).title),
                             QString::fromLatin1(field_name(field)));
    auto* folder_button = new QPushButton(QStringLiteral("打开文件夹"), this);
    folder_button->setObjectName("openFolder");
    auto* reload_button = new QPushButton(QStringLiteral("刷新"), this);
    reload_button->setObjectName("reload");

    table_ = new QTableWidget(0, static_cast<int>(kColumns.size()), this);
    table_->setObjectName("rows");
    table_->setHorizontalHeaderLabels(kColumns);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);

    keep_ = new QSpinBox(this);
    keep_->setObjectName("keepDays");
    keep_->setRange(0, 36500);
    keep_->setSpecialValueText(QStringLiteral("全部保留"));
    keep_->setSuffix(QStringLiteral(" 天"));
    keep_->setAccessibleName(QStringLiteral("保留天数"));
    keep_->setValue(journal_keep_days(folder_));
    auto* keep_button = new QPushButton(QStringLiteral("应用"), this);
    keep_button->setObjectName("applyKeep");
    note_ = new QLabel(this);
    note_->setObjectName("note");

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("日期："), this));
    top->addWidget(days_);
    top->addWidget(new QLabel(QStringLiteral("参数："), this));
    top->addWidget(parameters_);
    top->addStretch();
    top->addWidget(reload_button);
    top->addWidget(folder_button);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(new QLabel(QStringLiteral("保留操作记录："), this));
    bottom->addWidget(keep_);
    bottom->addWidget(keep_button);
    bottom->addWidget(note_, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(table_);
    layout->addLayout(bottom);

    connect(days_, &QComboBox::currentIndexChanged, this, &JournalWindow::show_day);
    connect(parameters_, &QComboBox::currentIndexChanged, this, &JournalWindow::show_day);
    connect(reload_button, &QPushButton::clicked, this, &JournalWindow::reload);
    connect(keep_button, &QPushButton::clicked, this, &JournalWindow::apply_keep);
    connect(folder_button, &QPushButton::clicked, this, [this] {
        QDir().mkpath(folder_);
        if (!open_folder_ || !open_folder_(folder_))
            note_->setText(QStringLiteral("无法打开文件夹 ") + QDir::toNativeSeparators(folder_));
    });
    reload();
}

void JournalWindow::reload() {
    const QDate chosen = days_->currentData().toDate();
    QList<QDate> days = journal_days(folder_);
    if (!days.contains(QDate::currentDate())) days.prepend(QDate::currentDate());
    {
        const QSignalBlocker blocker(days_);
        days_->clear();
        for (const QDate& day : days)
            days_->addItem(day.toString(Qt::ISODate), day);
        const int index = days_->findData(chosen);
        days_->setCurrentIndex(index < 0 ? 0 : index);
    }
    show_day();
}

void JournalWindow::show_day() {
    const QString wanted = parameters_->currentData().toString();
    // The last part of a huge day only, so the window stays quick.
    constexpr qint64 kShownBytes = 2 * 1024 * 1024;
    const JournalLines read = read_journal(folder_, days_->currentData().toDate(), kShownBytes);
    table_->setRowCount(0);
    int unreadable_lines = 0;
    for (const std::string& line : read.lines) {
        bool unreadable = false;
        for (const JournalRow& row : journal_rows(line, &unreadable)) {
            if (!wanted.isEmpty() && qs(row.field) != wanted) continue;
            const int at = table_->rowCount();
            table_->insertRow(at);
            const QString program =
                qs(row.program) +
                (row.driver == "simulator" ? QStringLiteral("（模拟仪器）") : QString());
            const QStringList cells{qs(row.time).mid(11, 12), program,          qs(row.parameter),
                                    qs(row.old_text),         qs(row.new_text), qs(row.result)};
            for (int column = 0; column < cells.size(); ++column) {
                auto* item = new QTableWidgetItem(cells[column]);
                if (column == 0) item->setToolTip(qs(row.time));
                if (column == 5) item->setToolTip(qs(row.result));
                table_->setItem(at, column, item);
            }
        }
        unreadable_lines += unreadable;
    }
    table_->resizeColumnsToContents();
    if (!read.error.isEmpty())
        note_->setText(QStringLiteral("无法读取操作记录：") + read.error);
    else if (read.skipped > 0)
        note_->setText(QString::fromStdString(texts::journal_skipped(read.skipped)));
    else if (unreadable_lines)
        note_->setText(QStringLiteral("有 %1 行无法读取").arg(unreadable_lines));
    else
        note_->setText(
            QDir::toNativeSeparators(journal_file(folder_, days_->currentData().toDate())));
}

void JournalWindow::apply_keep() {
    const QString problem = set_journal_keep_days(folder_, keep_->value());
    if (!problem.isEmpty()) return note_->setText(problem);
    const int removed = remove_old_journals(folder_, QDate::currentDate(), keep_->value());
    note_->setText(keep_->value() == 0 ? QStringLiteral("操作记录全部保留")
                                       : QStringLiteral("保留最近 %1 天，已删除 %2 个较早的文件")
                                             .arg(keep_->value())
                                             .arg(removed));
    reload();
}

} // namespace qlm
