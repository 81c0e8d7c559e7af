#include "ui/platform_seams.h"

#include "ui/help.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QMessageBox>

namespace qlm {

UiSeams platform_seams(QWidget* const* parent) {
    UiSeams seams;
    seams.message = [parent](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::Ok, *parent);
        box.exec();
    };
    seams.inform = [parent](const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok, *parent);
        box.exec();
    };
    seams.open_file = [parent](const QString& title, const QString& filter) {
        return QFileDialog::getOpenFileName(*parent, title, QString(), filter);
    };
    seams.save_file = [parent](const QString& title, const QString& filter) {
        // The file is replaced without asking, as an export always has.
        return QFileDialog::getSaveFileName(*parent, title, QString(), filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite);
    };
    seams.wait = [](long passes) {
        for (long i = 0; i < passes; ++i) QCoreApplication::processEvents();
    };
    seams.open_help = [] { return open_help_document(); };
    seams.folders = default_auto_file_folders();
    return seams;
}

} // namespace qlm
