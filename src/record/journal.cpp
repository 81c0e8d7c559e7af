#include "record/journal.h"

#include "panel/texts.h"
#include "record/journal_file.h"
#include "record/journal_line.h"

#include <cstdlib>

namespace qlm {

Journal::Journal(JournalSeams seams) : seams_(std::move(seams)) {}

std::string journal_time(const QDateTime& time) {
    // Qt writes an offset of zero as "Z": the offset is always written out here.
    const int offset = time.offsetFromUtc();
    const int minutes = std::abs(offset) / 60;
    const QString zone = QStringLiteral("%1%2:%3")
                             .arg(offset < 0 ? '-' : '+')
                             .arg(minutes / 60, 2, 10, QLatin1Char('0'))
                             .arg(minutes % 60, 2, 10, QLatin1Char('0'));
    return (time.toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss.zzz")) + zone).toStdString();
}

void Journal::record(const Outcome& outcome) {
    if (!simulator_) simulator_ = seams_.simulator && seams_.simulator();
    const QDateTime now = seams_.now ? seams_.now() : QDateTime::currentDateTime();
    const auto line =
        journal_line(outcome, {journal_time(now), seams_.program.toStdString(), *simulator_});
    if (!line) return;
    const QString problem = append_journal_line(seams_.folder, now.date(), *line);
    if (problem.isEmpty() || !problem_.isEmpty()) return;
    problem_ = problem;
    if (seams_.unwritable)
        seams_.unwritable(QString::fromStdString(texts::journal_unwritable(problem.toStdString())));
}

void Journal::tidy() {
    const QDate today = (seams_.now ? seams_.now() : QDateTime::currentDateTime()).date();
    remove_old_journals(seams_.folder, today, journal_keep_days(seams_.folder));
}

} // namespace qlm
