#include "settings/watch_setting.h"

#include <QSettings>

#include <cmath>

namespace qlm {

namespace {

constexpr double kLeastSeconds = 1;
constexpr double kMostSeconds = 3600;

} // namespace

QString watch_settings_file(const QString& config_folder) {
    return config_folder.isEmpty() ? QString() : config_folder + "/watch.ini";
}

WatchSetting load_watch_setting(const QString& config_folder) {
    WatchSetting setting;
    const QString file = watch_settings_file(config_folder);
    if (file.isEmpty()) return setting;
    const QVariant value =
        QSettings(file, QSettings::IniFormat).value(QStringLiteral("watch/interval"));
    if (!value.isValid()) return setting;
    bool ok = false;
    const double seconds = value.toString().trimmed().toDouble(&ok);
    if (!ok || !std::isfinite(seconds) || seconds > kMostSeconds ||
        (seconds != 0 && seconds < kLeastSeconds)) {
        setting.problem = QString::fromUtf8("%1 中的 interval=%2 不是 0 或 1 到 3600 秒，按 3 秒")
                              .arg(file, value.toString());
        return setting;
    }
    setting.interval_ms = static_cast<int>(std::lround(seconds * 1000));
    return setting;
}

} // namespace qlm
