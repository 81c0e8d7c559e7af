#include "cli/qini_files.h"

#include "settings/settings_file.h"

namespace qlm::cli {

FileRead QiniFiles::load(const std::string& path) {
    const LoadResult loaded = load_settings_file(QString::fromStdString(path));
    return {loaded.fields, loaded.error.toStdString()};
}

std::string QiniFiles::save(const std::string& path, const SettingsTexts& texts) {
    return save_settings_file(QString::fromStdString(path), texts).toStdString();
}

} // namespace qlm::cli
