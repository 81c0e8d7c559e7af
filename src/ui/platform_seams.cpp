#include "ui/platform_seams.h"

#include "link/link.h"
#include "record/journal_file.h"
#include "ui/box_queue.h"
#include "ui/help.h"
#include "ui/sheet_dialog.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
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
    auto* boxes = new BoxQueue(parent, qApp);
    seams.message = [boxes](const QString& title, const QString& text) {
        boxes->show(QMessageBox::Warning, title, text);
    };
    seams.inform = [boxes](const QString& title, const QString& text) {
        boxes->show(QMessageBox::Information, title, text);
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
    // Never shorter than asked.
    seams.after = [](std::chrono::microseconds delay, std::function<void()> then) {
        QTimer::singleShot(std::chrono::ceil<std::chrono::milliseconds>(delay), Qt::PreciseTimer,
                           qApp, std::move(then));
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
