#include "files/qini_store.h"

#include "settings/settings_file.h"

namespace qlm {

FileRead QiniStore::load(const std::string& path) {
    const LoadResult loaded = load_settings_file(QString::fromStdString(path));
    return {loaded.fields, loaded.error.toStdString()};
}

std::string QiniStore::save(const std::string& path, const SettingsTexts& texts) {
    return save_settings_file(QString::fromStdString(path), texts).toStdString();
}

} // namespace qlm
