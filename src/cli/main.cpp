// qlm5120rx-cli: the real driver, real time, the window's settings files and the console.
#include "cli/cli.h"
#include "cli/record_commands.h"
#include "cli/serve.h"
#include "files/qini_store.h"
#include "link/driver_select.h"
#include "panel/outcome_hook.h"
#include "record/journal.h"
#include "record/journal_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QStringList>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <set>
#include <thread>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

int main(int argc, char* argv[]) {
    // The sheet is drawn on Qt's offscreen platform: no display needed. Windows' own platform
    // needs none either and knows the system's fonts, which the offscreen one does not there.
    const bool draws = argc > 1 && std::strcmp(argv[1], "sheet") == 0;
#ifndef _WIN32
    if (draws) qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
    // The arguments as Unicode on every platform (Windows passes them in its code page).
    std::unique_ptr<QCoreApplication> app;
    if (draws)
        app = std::make_unique<QGuiApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
#ifdef _WIN32
    SetConsoleOutputCP(CP_UTF8);
#endif
    std::vector<std::string> args;
    std::set<std::string> undecodable;
    const QStringList arguments = QCoreApplication::arguments();
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        args.push_back(arguments[i].toStdString());
#ifndef _WIN32
        // Qt decodes the bytes as UTF-8, U+FFFD standing in for what is not: as a file
        // name that would be another file. Such an argument does not encode back.
        if (arguments.size() == argc && QFile::encodeName(arguments[i]) != argv[i])
            undecodable.insert(args.back());
#endif
    }

    std::unique_ptr<qlm::UsbDriver> driver;
    std::unique_ptr<qlm::InstrumentLock> lock;
    qlm::QiniStore files(std::move(undecodable));
    const auto instrument = [&driver]() -> qlm::UsbDriver& {
        if (!driver) driver = qlm::make_instrument_driver();
        return *driver;
    };
    qlm::cli::Context context{
        instrument,
        files,
        std::cout,
        std::cerr,
        [](std::chrono::microseconds time) { std::this_thread::sleep_for(time); },
        [] { return qlm::cli::Clock::now(); },
        [&instrument, &lock]() -> qlm::InstrumentLock* {
            if (!lock) lock = qlm::make_instrument_lock(instrument());
            return lock.get();
        },
    };
    context.serve = [&context](const std::vector<std::string>& serve_args) {
        const QString documents =
            QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        return qlm::cli::serve_command(serve_args, context, documents.toStdString());
    };
    const QString folder = qlm::default_journal_folder();
#ifdef _WIN32
    const bool terminal = _isatty(_fileno(stdout)) != 0;
#else
    const bool terminal = ::isatty(STDOUT_FILENO) != 0;
#endif
    qlm::cli::add_record_commands(context,
                                  {folder, [] { return QDateTime::currentDateTime(); },
                                   QCoreApplication::applicationName().toStdString(), terminal});
    // Every outcome of the run goes to the journal; one that cannot be written is said once.
    qlm::Journal journal({folder,
                          QCoreApplication::applicationName(),
                          [&instrument] { return instrument().is_simulator(); },
                          {},
                          [](const QString& hint) {
                              std::cerr << "qlm5120rx-cli：" << hint.toStdString() << "\n";
                          }});
    qlm::outcome_hook() = [&journal](const qlm::Outcome& outcome) { journal.record(outcome); };
    int status = qlm::cli::run(args, context);
    qlm::outcome_hook() = nullptr;
    // A record that did not reach the journal is no success (said on stderr already).
    if (status == qlm::cli::kDone && !journal.problem().isEmpty()) status = qlm::cli::kJournalLost;
    // What was printed must have arrived: a full disk or a closed pipe is no success.
    std::cout.flush();
    if (!std::cout || std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno;
        std::cerr << "qlm5120rx-cli：无法写入标准输出（"
                  << (error == ENOSPC ? "磁盘已满" : std::strerror(error)) << "）\n";
        return status == qlm::cli::kDone ? qlm::cli::kOutputLost : status;
    }
    return status;
}
