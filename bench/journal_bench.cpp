// What the journal costs an outcome: one line made from a Sent outcome, and one line
// appended (open, one write, flush to disk, close) in a temporary folder.
//   journal_bench [lines]     (default 500)
#include "bench_clock.h"
#include "record/journal_file.h"
#include "record/journal_line.h"

#include <QDir>
#include <QTemporaryDir>

#include <chrono>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const long lines = argc > 1 ? std::max(1L, std::atol(argv[1])) : 500;
    QTemporaryDir dir;
    const qlm::Outcome sent =
        qlm::Sent{qlm::Field::damping, 8, 3, 0, "50", "150", qlm::SendResult::delivered};
    const qlm::JournalSource source{"2026-12-09T08:15:02.123+08:00", "journal_bench", false};

    auto start = Clock::now();
    std::size_t bytes = 0;
    for (long i = 0; i < lines * 100; ++i)
        bytes += qlm::journal_line(sent, source)->size();
    const double make_us = us_since(start, lines * 100);

    const std::string line = *qlm::journal_line(sent, source);
    start = Clock::now();
    for (long i = 0; i < lines; ++i) {
        if (!qlm::append_journal_line(dir.path(), QDate(2026, 12, 9), line).isEmpty()) {
            std::fprintf(stderr, "journal_bench: cannot append in %s\n", qPrintable(dir.path()));
            return 1;
        }
    }
    const double append_us = us_since(start, lines);
    std::printf("journal line made:     %8.2f us (%zu bytes)\n", make_us, line.size());
    std::printf("journal line appended: %8.1f us (write + flush to disk, %ld lines)\n", append_us,
                lines);
    return bytes ? 0 : 1;
}
