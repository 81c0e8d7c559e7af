// Settings file reader: any bytes either give ten texts or a reason. Ten texts that can be
// stored again come back unchanged from the file they make.
#include "fuzz_check.h"
#include "settings/settings_file.h"

#include <cstdint>

using namespace qlm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const LoadResult loaded = parse_settings(bytes);
    FUZZ_CHECK(loaded.fields.has_value() != !loaded.error.isEmpty());
    if (!loaded.fields) return 0;

    for (const std::string& field : *loaded.fields) {
        // A field never runs past its line, and the text is valid UTF-8 by construction.
        FUZZ_CHECK(field.find('\r') == std::string::npos);
        FUZZ_CHECK(field.find('\n') == std::string::npos);
        FUZZ_CHECK(QString::fromStdString(field).toStdString() == field);
    }
    if (!settings_texts_problem(*loaded.fields).isEmpty()) return 0;
    const QByteArray written = format_settings(*loaded.fields);
    FUZZ_CHECK(!written.isEmpty());
    const LoadResult again = parse_settings(written);
    FUZZ_CHECK(again.fields.has_value());
    FUZZ_CHECK(*again.fields == *loaded.fields);
    FUZZ_CHECK(format_settings(*again.fields) == written);
    return 0;
}
