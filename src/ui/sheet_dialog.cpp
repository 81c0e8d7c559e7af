#include "ui/sheet_dialog.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

namespace qlm {

std::optional<SheetPeople> ask_sheet_people(QWidget* parent, const SheetPeople& last) {
    QDialog dialog(parent);
    dialog.setObjectName("SheetDialog");
    dialog.setWindowTitle(QStringLiteral("导出设置单"));
    auto* form = new QFormLayout(&dialog);
    const auto line = [&](const char* name, const char* label, const std::string& text) {
        auto* edit = new QLineEdit(QString::fromStdString(text), &dialog);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(QString::fromUtf8(label));
        form->addRow(QString::fromUtf8(label) + QStringLiteral("："), edit);
        return edit;
    };
    QLineEdit* operator_name = line("operator", "操作人员", last.operator_name);
    QLineEdit* probe = line("probe", "探头", last.probe);
    QLineEdit* part = line("part", "工件 / 工艺规程", last.part);
    // A line the sheet cannot take is refused here with its reason, never cut.
    auto* problem = new QLabel(&dialog);
    problem->setObjectName("problem");
    problem->setWordWrap(true);
    form->addRow(problem);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    form->addRow(buttons);
    const std::pair<QLineEdit*, const char*> lines[] = {
        {operator_name, "操作人员"}, {probe, "探头"}, {part, "工件 / 工艺规程"}};
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, [&] {
        for (const auto& [edit, label] : lines) {
            const std::string text = edit->text().trimmed().toStdString();
            if (const std::string why = sheet_text_problem(label, text); !why.empty()) {
                problem->setText(QString::fromStdString(why));
                edit->setFocus();
                return;
            }
        }
        dialog.accept();
    });
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return SheetPeople{operator_name->text().trimmed().toStdString(),
                       probe->text().trimmed().toStdString(), part->text().trimmed().toStdString()};
}

} // namespace qlm
