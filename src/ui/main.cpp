// Assembles the real driver, the real waits and dialogs, and the window.
#include "link/driver_select.h"
#include "panel/outcome_hook.h"
#include "record/journal.h"
#include "record/journal_file.h"
#include "ui/branding.h"
#include "ui/main_window.h"
#include "ui/platform_seams.h"
#include "ui/program_start.h"
#include "ui/qt_chinese.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLabel>

#include <cstdio>

int main(int argc, char* argv[]) {
    // --help, --version and usage errors need no display.
    if (const auto status = qlm::answer_before_window(argc, argv)) return *status;
    QApplication app(argc, argv);
    // Named after the program file: the simulated instrument's copy (qlm5120rx-sim) keeps
    // its own automatic settings file when both fall back to the user's folder.
    QApplication::setApplicationName(
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName());
    QApplication::setOrganizationName(QStringLiteral("Kavronix"));
    QApplication::setWindowIcon(qlm::program_icon());
    // Qt's dialogs and buttons in Chinese like the rest of the window, whatever the locale.
    if (const QString problem = qlm::install_qt_chinese(app, qlm::qt_chinese_folders());
        !problem.isEmpty())
        std::fprintf(stderr, "%s\n", qPrintable(problem));

    // A second start hands its file to the running window and ends.
    qlm::WindowStart start = qlm::claim_window(argc, argv);
    if (start.exit_status) return *start.exit_status;

    // The library in-process, or through the bridge when it is of the other bitness.
    const auto driver = qlm::make_instrument_driver();
    QWidget* window_pointer = nullptr;
    const auto lock = qlm::make_instrument_lock(*driver);
    qlm::MainWindow* shown = nullptr;
    // Every outcome of the process goes to the journal; one that cannot be written is said
    // once in the status bar.
    qlm::Journal journal({qlm::default_journal_folder(),
                          QCoreApplication::applicationName(),
                          [&driver] { return driver->is_simulator(); },
                          {},
                          [&shown](const QString& hint) {
                              if (!shown) return;
                              if (QLabel* panel = qlm::hint_panel(shown->widgets()))
                                  panel->setText(hint);
                          }});
    journal.tidy();
    qlm::outcome_hook() = [&journal](const qlm::Outcome& outcome) { journal.record(outcome); };
    qlm::MainWindow window(*driver, qlm::platform_seams(&window_pointer), lock.get());
    window_pointer = &window;
    shown = &window;
    qlm::StopSignals stop_signals; // from the start-up's read-back on
    qlm::end_on_stop_signals(stop_signals, window);
    // Shown once the start-up's read-back has come back; the remote control listens before.
    window.start([&window, &start] {
        window.show();
        qlm::attach_window(start, window);
    });
    if (start.arguments.remote) window.start_remote(start.arguments.remote_port);
    const int status = QApplication::exec();
    qlm::outcome_hook() = nullptr;
    return status;
}
