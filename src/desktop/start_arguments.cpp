#include "desktop/start_arguments.h"

#include <QDir>
#include <QFile>

namespace qlm {

StartArguments parse_start_arguments(const QStringList& arguments, const QList<QByteArray>& raw,
                                     const QString& folder, const QSet<QString>& valued) {
    StartArguments out;
    bool options_end = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (!options_end && argument == QLatin1String("--")) {
            options_end = true;
        } else if (!options_end && argument == QLatin1String("--new-window")) {
            out.new_window = true;
        } else if (!options_end && argument.startsWith('-') && argument.size() > 1) {
            out.others << argument;
            const QString name = argument.section('=', 0, 0);
            if (valued.contains(name) && !argument.contains('=') && i + 1 < arguments.size() &&
                !arguments[i + 1].startsWith('-'))
                out.others << arguments[++i];
        } else if (out.file.isEmpty()) {
            out.file = QDir::cleanPath(QDir(folder).absoluteFilePath(argument));
            if (raw.size() == arguments.size())
                out.file_name_is_text = QFile::encodeName(argument) == raw[i];
        } else {
            out.others << argument; // one file at a time
        }
    }
    return out;
}

} // namespace qlm
