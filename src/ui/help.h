#pragma once
// Opens the operator's manual. Windows: "hh.exe 5120.CHM" from the current folder. Elsewhere:
// 5120.CHM in a CHM viewer when one is installed, else the manual's HTML pages in the
// desktop's browser.

#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>

namespace qlm {

constexpr const char* kHelpFile = "5120.CHM";
// The same pages as HTML, for desktops without a CHM viewer.
constexpr const char* kHelpHtmlIndex = "manual/index.html";
// CHM viewers looked for, in this order.
inline const QStringList kChmViewers{QStringLiteral("xchm"), QStringLiteral("kchmviewer")};

// What opening the manual needs from the system; tests give fakes.
struct HelpSystem {
    // Folders searched in order for the manual.
    QStringList folders;
    // A program's full path from its name, or empty when it is not installed.
    std::function<QString(const QString& name)> find_program;
    // Starts a program without waiting for it.
    std::function<bool(const QString& program, const QStringList& arguments)> start;
    // Hands a file to the desktop (browser, or whatever opens the file's type); `done` gets
    // whether it was opened, now or once the desktop's opener has ended.
    std::function<void(const QUrl& url, std::function<void(bool opened)> done)> open_url;
};
// What went wrong, when anything did: called once, or never when the manual opened.
using HelpReport = std::function<void(const QString& problem)>;

// The program's folder, the manual's installed folder beside it (../share/qlm5120rx), then
// the current folder; the real program search, process start and desktop.
HelpSystem default_help_system();

// Starts a viewer, else tells `report` what is missing.
void open_help_document(const HelpSystem& system, HelpReport report);
void open_help_document(HelpReport report);

} // namespace qlm
