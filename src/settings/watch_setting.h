#pragma once
// How often an idle program reads the instrument back (the watch): `watch.ini` in the user's
// configuration folder, `interval` in seconds under `[watch]`; 3 when not set, 0 turns the
// watch off, 1 to 3600 otherwise.

#include <QString>

namespace qlm {

constexpr int kWatchDefaultMs = 3000;

struct WatchSetting {
    int interval_ms = kWatchDefaultMs; // 0: off
    QString problem;                   // a value not taken (the default holds), for the user
};

QString watch_settings_file(const QString& config_folder);
WatchSetting load_watch_setting(const QString& config_folder);

} // namespace qlm
