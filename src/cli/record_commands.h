#pragma once
// journal and sheet: the day's journal printed, and the setup sheet drawn from a read-back.
// Over Qt: the journal's files and the PDF writer.

#include "cli/cli.h"

#include <QDateTime>
#include <QString>

#include <functional>

namespace qlm::cli {

struct RecordPlaces {
    QString journal_folder;
    std::function<QDateTime()> now; // local time
    std::string program;            // the program file's name, for the sheet
    bool terminal = false;          // standard output is a terminal: control characters escaped
};

// Adds "journal" and "sheet" to the context's commands.
void add_record_commands(Context& context, RecordPlaces places);

} // namespace qlm::cli
