#include "settings/gbk_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <array>

namespace qlm {
namespace {
constexpr auto kStateless = QStringConverter::Flag::Stateless;

// The Chinese characters of the program's own list values (单 双 内部 外部) and their GBK
// bytes: text of these and ASCII alone, as the program's files hold, needs no ICU converter,
// whose tables cost the start-up a megabyte of memory.
struct Known {
    char16_t character;
    unsigned char lead, trail;
};
constexpr std::array<Known, 5> kKnown{{{u'单', 0xB5, 0xA5},
                                       {u'双', 0xCB, 0xAB},
                                       {u'内', 0xC4, 0xDA},
                                       {u'外', 0xCD, 0xE2},
                                       {u'部', 0xB2, 0xBF}}};

std::optional<QByteArray> encode_known(const QString& text) {
    QByteArray bytes;
    for (const QChar c : text) {
        if (c.unicode() < 0x80) {
            bytes += static_cast<char>(c.unicode());
            continue;
        }
        const auto known = std::find_if(kKnown.begin(), kKnown.end(),
                                        [c](const Known& k) { return k.character == c.unicode(); });
        if (known == kKnown.end()) return std::nullopt;
        bytes += static_cast<char>(known->lead);
        bytes += static_cast<char>(known->trail);
    }
    return bytes;
}

std::optional<QString> decode_known(const QByteArray& bytes) {
    QString text;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        if (byte < 0x80) {
            text += QChar(byte);
            continue;
        }
        if (i + 1 == bytes.size()) return std::nullopt;
        const auto trail = static_cast<unsigned char>(bytes[++i]);
        const auto known = std::find_if(kKnown.begin(), kKnown.end(), [&](const Known& k) {
            return k.lead == byte && k.trail == trail;
        });
        if (known == kKnown.end()) return std::nullopt;
        text += QChar(known->character);
    }
    return text;
}

} // namespace

std::optional<QByteArray> gbk_encode(const QString& text) {
    if (auto known = encode_known(text)) return known;
    QStringEncoder encoder("GBK", kStateless);
    QByteArray bytes = encoder.encode(text);
    if (!encoder.isValid() || encoder.hasError()) return std::nullopt;
    return bytes;
}

std::optional<QString> gbk_decode(const QByteArray& bytes) {
    if (auto known = decode_known(bytes)) return known;
    QStringDecoder decoder("GBK", kStateless);
    QString text = decoder.decode(bytes);
    if (!decoder.isValid() || decoder.hasError()) return std::nullopt;
    return text;
}

} // namespace qlm
