#include "ui/program_start.h"

#include "panel/texts.h"
#include "settings/auto_file.h"
#include "ui/main_window.h"

#include <QCoreApplication>
#include <QDir>

#include <cstdio>

namespace qlm {

namespace {
void say(const std::string& line) {
    std::fprintf(stderr, "%s\n", line.c_str());
}
} // namespace

WindowStart claim_window(int argc, char** argv) {
    WindowStart start;
    const QStringList arguments = QCoreApplication::arguments();
    QList<QByteArray> raw;
#ifndef _WIN32
    // Windows passes the arguments as Unicode; elsewhere they are bytes.
    for (int i = 0; i < argc; ++i)
        raw << QByteArray(argv[i]);
#else
    (void)argc;
    (void)argv;
#endif
    // --remote takes its port, when one follows, with it.
    start.arguments =
        parse_start_arguments(arguments, raw, QDir::currentPath(), {QStringLiteral("--remote")});
    if (start.arguments.new_window) return start;

    const QString socket = instance_socket(QCoreApplication::applicationFilePath(),
                                           default_auto_file_folders().config_folder);
    Claim claim = claim_instance(socket, {start.arguments.file, start.arguments.file_name_is_text});
    switch (claim.reach) {
    case Reach::handed_over:
        if (!start.arguments.others.isEmpty())
            say(texts::hand_over_ignores(start.arguments.others.join(' ').toStdString()));
        start.exit_status = 0;
        return start;
    case Reach::no_answer:
        say(texts::kHandOverNoAnswer);
        return start;
    case Reach::none_running:
        break;
    }
    if (!claim.problem.isEmpty()) say(texts::hand_over_cannot_listen(claim.problem.toStdString()));
    start.server = std::move(claim.server);
    return start;
}

void attach_window(WindowStart& start, MainWindow& window) {
    if (!start.arguments.file.isEmpty())
        window.open_settings_file(start.arguments.file, start.arguments.file_name_is_text);
    if (start.server) {
        QObject::connect(start.server.get(), &InstanceServer::arrived, &window,
                         [&window](const HandOver& what) {
                             window.come_forward();
                             if (!what.file.isEmpty())
                                 window.open_settings_file(what.file, what.file_name_is_text);
                         });
        start.server->deliver();
    }
}

} // namespace qlm
