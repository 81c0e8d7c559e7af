#include "files/qini_store.h"

#include "settings/settings_file.h"

namespace qlm {

namespace {
const std::string kNotText = "文件名不是有效的UTF-8编码";
}

bool QiniStore::refused(const std::string& path) {
    if (const auto once = once_.find(path); once != once_.end()) {
        once_.erase(once);
        return true;
    }
    return undecodable_.count(path) > 0;
}

FileRead QiniStore::load(const std::string& path) {
    if (refused(path)) return {std::nullopt, "无法打开文件：" + kNotText};
    const LoadResult loaded = load_settings_file(QString::fromStdString(path));
    return {loaded.fields, loaded.error.toStdString()};
}

std::string QiniStore::save(const std::string& path, const SettingsTexts& texts) {
    if (refused(path)) return "无法写入文件：" + kNotText;
    return save_settings_file(QString::fromStdString(path), texts).toStdString();
}

} // namespace qlm
