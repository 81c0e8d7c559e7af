#pragma once
// The window program's arguments: `qlm5120rx [--new-window] [--remote[=PORT]] [FILE]`,
// `--help`, `--version`, and Qt's own options (-platform, -style, ...), which Qt takes.

#include <QSet>
#include <QString>
#include <QStringList>

#include <optional>

namespace qlm {

struct StartArguments {
    QString file;                  // absolute, or empty for none
    bool file_name_is_text = true; // false: its bytes were not text (see below)
    bool new_window = false;
    bool help = false;
    bool version = false;
    bool remote = false;                // --remote given
    std::optional<quint16> remote_port; // with a port
    QStringList handed_over_ignores;    // as written: what a start that hands over ignores
    QString problem; // a usage error (an unknown option, a second file, a bad port)
};

// `arguments` as QCoreApplication gives them (the program first), or argv decoded before
// there is one. `raw`, where given, are the bytes of each argument: a name that does not
// encode back to them was not text and names another file than the one meant. `folder`
// resolves a relative file name (the working folder). `--remote` takes the next argument as
// its port unless that is another option; a port is 1 to 65535.
StartArguments parse_start_arguments(const QStringList& arguments, const QList<QByteArray>& raw,
                                     const QString& folder);

} // namespace qlm
