#include "ui/fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <initializer_list>

namespace qlm {

namespace {

// The first of the faces that is installed, else the first one, for the font matcher.
QString first_installed(std::initializer_list<const char*> faces) {
    const QStringList installed = QFontDatabase::families();
    for (const char* face : faces) {
        const QString name = QString::fromUtf8(face);
        if (installed.contains(name, Qt::CaseInsensitive)) return name;
    }
    return QString::fromUtf8(*faces.begin());
}

} // namespace

const QString& song_family() {
    static const QString family = first_installed(
        {"SimSun", "宋体", "NSimSun", "AR PL UMing CN", "AR PL UMing TW", "AR PL SungtiL GB",
         "Songti SC", "STSong", "Noto Serif CJK SC", "Source Han Serif SC"});
    return family;
}

const QString& verdana_family() {
    static const QString family =
        first_installed({"Verdana", "DejaVu Sans", "Bitstream Vera Sans"});
    return family;
}

} // namespace qlm
