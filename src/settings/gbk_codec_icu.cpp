#include "settings/gbk_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace qlm {
namespace {
constexpr auto kStateless = QStringConverter::Flag::Stateless;
}

std::optional<QByteArray> gbk_encode(const QString& text) {
    QStringEncoder encoder("GBK", kStateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError()) return std::nullopt;
    return bytes;
}

std::optional<QString> gbk_decode(const QByteArray& bytes) {
    QStringDecoder decoder("GBK", kStateless);
    QString text = decoder.decode(bytes);
    if (!decoder.isValid() || decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace qlm
