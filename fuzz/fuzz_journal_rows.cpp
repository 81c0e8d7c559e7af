// The journal's reader, which reads lines other programs may have cut or damaged: any line
// gives rows or is marked unreadable, never both, and every text comes out as UTF-8.
#include "fuzz_check.h"
#include "record/journal_rows.h"

#include <QString>

#include <cstdint>
#include <string>

using namespace qlm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    bool unreadable = false;
    const std::vector<JournalRow> rows = journal_rows(line, &unreadable);
    // A JSON object gives a row at least (one per field it touched, or one for none).
    FUZZ_CHECK(unreadable == rows.empty());
    for (const JournalRow& row : rows) {
        for (const std::string* text :
             {&row.time, &row.program, &row.field, &row.old_text, &row.new_text, &row.result})
            FUZZ_CHECK(QString::fromStdString(*text).toStdString() == *text);
    }
    return 0;
}
