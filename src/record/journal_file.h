#pragma once
// The journal's files: one a day, journal-YYYY-MM-DD.jsonl, in one folder. Lines are added
// whole, in one append each, flushed to disk before the call returns; two programs adding
// at once never interleave within a line. Files are opened and closed within each call.

#include <QDate>
#include <QList>
#include <QString>

#include <string>
#include <vector>

namespace qlm {

// The user's journal folder, shared by the window and the command line. The simulated
// instrument's program (a program file named ...-sim) keeps one of its own, so training
// never enters the record.
QString default_journal_folder();

QString journal_file(const QString& folder, const QDate& day);

// `line` (without its newline) added to the day's file, the folder made when missing; after
// a line cut short it starts a line of its own. Only a regular file is written, never through
// a symbolic link, and a FIFO or device is never waited on. Empty on success, else the reason.
QString append_journal_line(const QString& folder, const QDate& day, const std::string& line);

// The days that have a journal, newest first.
QList<QDate> journal_days(const QString& folder);

struct JournalLines {
    std::vector<std::string> lines; // without their newlines; a last line cut short is left out
    QString error;                  // the file exists but cannot be read (or is no regular file)
    qint64 skipped = 0;             // the bytes before the part read
};
// The day's lines from the last `max_bytes` of its file at most (from the first whole line
// there), so a huge file costs no more than that. A day without a journal has no lines and
// no error. Only a regular file is read, never through a symbolic link and never waiting.
constexpr qint64 kJournalReadBytes = 8 * 1024 * 1024;
JournalLines read_journal(const QString& folder, const QDate& day,
                          qint64 max_bytes = kJournalReadBytes);

// How many days of journal to keep: 0 keeps all (the default). Kept beside the journal.
int journal_keep_days(const QString& folder);
QString set_journal_keep_days(const QString& folder, int days);
// Removes the days older than `keep` days before `today`; none when `keep` is 0. The
// number of files removed.
int remove_old_journals(const QString& folder, const QDate& today, int keep);

} // namespace qlm
