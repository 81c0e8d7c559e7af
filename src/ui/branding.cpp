#include "ui/branding.h"

#include "panel/version.h"

#include <QIcon>

namespace qlm {

QString window_title() {
    return QString::fromUtf8("QLM-5120RX控制软件（V%1）").arg(QString::fromUtf8(program_version()));
}

QString version_line() {
    return QString::fromUtf8("版本 V%1").arg(QString::fromUtf8(program_version()));
}

QString maker_name() {
    return QStringLiteral("Kavronix ");
}

QString maker_address() {
    return QStringLiteral("www.example.com ");
}

QIcon program_icon() {
    return QIcon(QStringLiteral(":/qlm/icon.png"));
}

} // namespace qlm
