#pragma once
// The GBK codec (code page 936): Qt's ICU converter on Linux, the system's code page 936
// on Windows, where Qt has no ICU. Both refuse what they cannot convert; the rules on top
// (private-use characters, NUL, exact round trip) are the settings file's.

#include <QByteArray>
#include <QString>

#include <optional>

namespace qlm {

// The GBK bytes of text; nullopt when a character has no GBK form.
std::optional<QByteArray> gbk_encode(const QString& text);

// The text of GBK bytes; nullopt when a byte sequence is not GBK.
std::optional<QString> gbk_decode(const QByteArray& bytes);

} // namespace qlm
