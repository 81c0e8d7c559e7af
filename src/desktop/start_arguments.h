#pragma once
// The window program's arguments: `qlm5120rx [--new-window] [FILE]`.

#include <QSet>
#include <QString>
#include <QStringList>

namespace qlm {

// The window's options, besides one settings file and "--" (the end of the options): what
// its help and man page list. The parser takes --new-window; --remote and its port stay in
// `others` for the program.
struct StartOption {
    const char* name;
    const char* value; // what follows it, or "" (in brackets: may be left out)
};
inline constexpr StartOption kStartOptions[] = {{"--new-window", ""}, {"--remote", "[PORT]"}};

struct StartArguments {
    QString file;                  // absolute, or empty for none
    bool file_name_is_text = true; // false: its bytes were not text (see below)
    bool new_window = false;
    QStringList others; // what this parser does not know, in order, for the caller
};

// `arguments` as QCoreApplication gives them (the program first). `raw`, where given, are
// the bytes of each argument: a name that does not encode back to them was not text and
// names another file than the one meant. `valued` are other options that take a value
// (the next argument, unless it begins with "-"): it stays with them in `others`.
// `folder` resolves a relative file name (the working folder).
StartArguments parse_start_arguments(const QStringList& arguments, const QList<QByteArray>& raw,
                                     const QString& folder, const QSet<QString>& valued = {});

} // namespace qlm
