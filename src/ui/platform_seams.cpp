#include "ui/platform_seams.h"

#include "link/link.h"
#include "record/journal_file.h"
#include "ui/help.h"
#include "ui/sheet_dialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QUrl>

namespace qlm {

namespace {

// Qt's own dialog speaks the program's language; a desktop's native one (GTK, KDE) would
// follow the system's. Windows' own dialog follows Windows' language, as it always has.
QFileDialog::Options dialog_options() {
#ifdef _WIN32
    return {};
#else
    return QFileDialog::DontUseNativeDialog;
#endif
}

} // namespace

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
        return QFileDialog::getOpenFileName(*parent, title, QString(), filter, nullptr,
                                            dialog_options());
    };
    seams.save_file = [parent](const QString& title, const QString& filter) {
        // The file is replaced without asking, as an export always has.
        return QFileDialog::getSaveFileName(*parent, title, QString(), filter, nullptr,
                                            QFileDialog::DontConfirmOverwrite | dialog_options());
    };
    // The passes, or their time where passes are slow, whichever ends first.
    seams.wait = [](long passes) {
        const qint64 limit_ns = std::chrono::nanoseconds(passes * kWaitPerPass).count();
        QElapsedTimer clock;
        clock.start();
        for (long i = 0; i < passes && clock.nsecsElapsed() < limit_ns; ++i)
            QCoreApplication::processEvents();
    };
    seams.open_help = [](std::function<void(const QString&)> report) {
        open_help_document(std::move(report));
    };
    seams.folders = default_auto_file_folders();
    seams.documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    seams.journal_folder = default_journal_folder();
    seams.open_folder = [](const QString& folder) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
    };
    seams.ask_people = [parent](const SheetPeople& last) {
        return ask_sheet_people(*parent, last);
    };
    return seams;
}

} // namespace qlm
