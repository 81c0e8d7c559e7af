#pragma once
// What the platform does for the window, behind small functions: tests replace them all.

#include "record/sheet.h"
#include "settings/auto_file.h"

#include <QString>

#include <chrono>
#include <functional>
#include <optional>

namespace qlm {

struct UiSeams {
    // Message with a single OK button, modal to the window; it returns at once (the boxes
    // queue, one shown at a time).
    std::function<void(const QString& title, const QString& text)> message;
    // Information with a single OK button, as the message.
    std::function<void(const QString& title, const QString& text)> inform;
    // File dialogs; an empty result means no file was chosen.
    std::function<QString(const QString& title, const QString& filter)> open_file;
    std::function<QString(const QString& title, const QString& filter)> save_file;
    // Runs a function once a time has passed, from the event loop (the exchanges' waits).
    std::function<void(std::chrono::microseconds, std::function<void()>)> after;
    // Starts the help viewer; what went wrong goes to the function given, now or once the
    // desktop's opener has ended.
    std::function<void(std::function<void(const QString&)>)> open_help;
    // Where the automatic settings file is looked for and written.
    AutoFileFolders folders;
    // Where the remote control's MMEMory files live; none: not at all.
    QString documents;
    // The journal's folder; empty: no journal to read.
    QString journal_folder;
    // Shows a folder in the desktop's file manager; false when nothing could show it.
    std::function<bool(const QString& folder)> open_folder;
    // The setup sheet's three lines, starting from the last ones; none when cancelled.
    std::function<std::optional<SheetPeople>(const SheetPeople& last)> ask_people;
};

} // namespace qlm
