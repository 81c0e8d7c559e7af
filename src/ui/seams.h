#pragma once
// What the platform does for the window, behind small functions: tests replace them all.

#include "settings/auto_file.h"

#include <QString>

#include <functional>

namespace qlm {

struct UiSeams {
    // Modal message with a single OK button.
    std::function<void(const QString& title, const QString& text)> message;
    // Modal information with a single OK button.
    std::function<void(const QString& title, const QString& text)> inform;
    // File dialogs; an empty result means no file was chosen.
    std::function<QString(const QString& title, const QString& filter)> open_file;
    std::function<QString(const QString& title, const QString& filter)> save_file;
    // Yield to the window's event processing this many times.
    std::function<void(long passes)> wait;
    // Starts the help viewer; an empty result on success, else what went wrong.
    std::function<QString()> open_help;
    // Where the automatic settings file is looked for and written.
    AutoFileFolders folders;
    // Where the remote control's MMEMory files live; none: not at all.
    QString documents;
};

} // namespace qlm
