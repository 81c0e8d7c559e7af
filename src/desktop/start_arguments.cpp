#include "desktop/start_arguments.h"

#include <QDir>
#include <QFile>

namespace qlm {

namespace {

// Qt's own options, which QGuiApplication and QApplication take out of the arguments: those
// followed by a value, and those without.
const QSet<QString> kQtValued{"platform",        "platformpluginpath",
                              "platformtheme",   "plugin",
                              "qwindowgeometry", "qwindowicon",
                              "qwindowtitle",    "session",
                              "display",         "geometry",
                              "title",           "name",
                              "visual",          "ncols",
                              "style",           "stylesheet",
                              "fontengine",      "dialogs"};
const QSet<QString> kQtFlags{"reverse", "widgetcount", "nograb", "dograb",
                             "sync",    "testability", "cmap",   "qmljsdebugger"};

// "-platform", "--platform" and "-style=fusion" as Qt's option's name; empty for others.
QString qt_option(const QString& argument) {
    QString name = argument.mid(argument.startsWith(QLatin1String("--")) ? 2 : 1);
    name = name.section('=', 0, 0);
    return kQtValued.contains(name) || kQtFlags.contains(name) ? name : QString();
}

// A port 1 to 65535, digits only.
std::optional<quint16> port_number(const QString& text) {
    bool ok = false;
    const uint value = text.toUInt(&ok);
    if (!ok || value == 0 || value > 65535 || text.front() == '+') return std::nullopt;
    return static_cast<quint16>(value);
}

bool is_option(const QString& argument) {
    // "-1" is a (bad) port, not an option.
    return argument.size() > 1 && argument.startsWith('-') && !argument[1].isDigit();
}

} // namespace

StartArguments parse_start_arguments(const QStringList& arguments, const QList<QByteArray>& raw,
                                     const QString& folder) {
    StartArguments out;
    const auto fail = [&out](const QString& problem) {
        if (out.problem.isEmpty()) out.problem = problem;
    };
    bool options_end = false;
    for (qsizetype i = 1; i < arguments.size() && out.problem.isEmpty(); ++i) {
        const QString& argument = arguments[i];
        const bool option = !options_end && argument.size() > 1 && argument.startsWith('-');
        if (option && argument == QLatin1String("--")) {
            options_end = true;
        } else if (option && argument == QLatin1String("--new-window")) {
            out.new_window = true;
        } else if (option && (argument == QLatin1String("--help") || argument == "-h")) {
            out.help = true;
        } else if (option && argument == QLatin1String("--version")) {
            out.version = true;
        } else if (option && argument.section('=', 0, 0) == QLatin1String("--remote")) {
            if (out.remote) fail(QString::fromUtf8("--remote 只能给出一次"));
            out.remote = true;
            out.handed_over_ignores << argument;
            std::optional<QString> port;
            if (argument.contains('='))
                port = argument.section('=', 1);
            else if (i + 1 < arguments.size() && !is_option(arguments[i + 1]) &&
                     arguments[i + 1] != QLatin1String("--"))
                port = arguments[++i], out.handed_over_ignores << *port;
            if (port) {
                out.remote_port = port_number(*port);
                if (!out.remote_port)
                    fail(QString::fromUtf8("--remote 的端口必须是 1 到 65535 之间的整数：") +
                         *port);
            }
        } else if (option) {
            const QString qt = qt_option(argument);
            if (qt.isEmpty()) {
                fail(QString::fromUtf8("未知选项：") + argument +
                     QString::fromUtf8("（文件名以 - 开头时，请在它前面写 --）"));
            } else if (kQtValued.contains(qt) && !argument.contains('=')) {
                if (i + 1 == arguments.size()) fail(argument + QString::fromUtf8(" 需要一个值"));
                ++i; // Qt takes the value with it
            }
        } else if (out.file.isEmpty()) {
            out.file = QDir::cleanPath(QDir(folder).absoluteFilePath(argument));
            if (raw.size() == arguments.size())
                out.file_name_is_text = QFile::encodeName(argument) == raw[i];
        } else {
            fail(QString::fromUtf8("只能给出一个设置文件：") + argument);
        }
    }
    return out;
}

} // namespace qlm
