// A later start's request to the running window, as its local socket receives it: any bytes
// are a request or refused, and a request sent again reads back the same.
#include "desktop/single_instance.h"
#include "fuzz_check.h"

#include <QDir>

#include <cstdint>

using namespace qlm;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray line(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const std::optional<HandOver> what = read_hand_over(line);
    if (!what) return 0;
    // Only an absolute file is ever taken: a relative one would name another folder.
    FUZZ_CHECK(what->file.isEmpty() || QDir::isAbsolutePath(what->file));
    const std::optional<HandOver> again = read_hand_over(hand_over_message(*what).trimmed());
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(again->file == what->file);
    FUZZ_CHECK(what->file.isEmpty() || again->file_name_is_text == what->file_name_is_text);
    return 0;
}
