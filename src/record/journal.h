#pragma once
// The program's journal: every outcome that touches the instrument or a file, one line each,
// written before the next exchange. A journal that cannot be written is said once and the
// program goes on.

#include "panel/outcome.h"

#include <QDateTime>
#include <QString>

#include <functional>
#include <optional>

namespace qlm {

struct JournalSeams {
    QString folder;                                      // default_journal_folder() in the programs
    QString program;                                     // the program file's name
    std::function<bool()> simulator;                     // asked once, at the first line
    std::function<QDateTime()> now;                      // local time
    std::function<void(const QString& hint)> unwritable; // once, at the first failure
};

class Journal {
public:
    explicit Journal(JournalSeams seams);

    // The outcome's line appended, if the journal keeps it.
    void record(const Outcome& outcome);
    // Days older than the kept number removed (none when all are kept).
    void tidy();

    const QString& folder() const { return seams_.folder; }
    // The first failure's reason; empty while every line went in.
    const QString& problem() const { return problem_; }

private:
    JournalSeams seams_;
    std::optional<bool> simulator_;
    QString problem_;
};

// Local time with its offset, to the millisecond: "2026-12-09T08:15:02.123+08:00".
std::string journal_time(const QDateTime& time);

} // namespace qlm
