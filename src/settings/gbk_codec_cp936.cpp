#include "settings/gbk_codec.h"

#include <windows.h>

#include <climits>

namespace qlm {
namespace {
constexpr UINT kGbk = 936;
}

std::optional<QByteArray> gbk_encode(const QString& text) {
    if (text.isEmpty()) return QByteArray();
    if (text.size() > INT_MAX / 2) return std::nullopt;
    const auto* wide = reinterpret_cast<const wchar_t*>(text.utf16());
    const int length = static_cast<int>(text.size());
    // No best fit: a character without its own GBK form is flagged, not replaced by a
    // look-alike or "?".
    BOOL used_default = FALSE;
    const int size =
        WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide, length, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return std::nullopt;
    QByteArray bytes(size, Qt::Uninitialized);
    const int written = WideCharToMultiByte(kGbk, WC_NO_BEST_FIT_CHARS, wide, length, bytes.data(),
                                            size, nullptr, &used_default);
    if (written != size || used_default) return std::nullopt;
    return bytes;
}

std::optional<QString> gbk_decode(const QByteArray& bytes) {
    if (bytes.isEmpty()) return QString();
    if (bytes.size() > INT_MAX) return std::nullopt;
    const int length = static_cast<int>(bytes.size());
    const int size =
        MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes.constData(), length, nullptr, 0);
    if (size <= 0) return std::nullopt;
    QString text(size, Qt::Uninitialized);
    const int written = MultiByteToWideChar(kGbk, MB_ERR_INVALID_CHARS, bytes.constData(), length,
                                            reinterpret_cast<wchar_t*>(text.data()), size);
    if (written != size) return std::nullopt;
    return text;
}

} // namespace qlm
