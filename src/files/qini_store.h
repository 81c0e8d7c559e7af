#pragma once
// The settings store of the programs: .qini files on disk.

#include "files/setup_files.h"

namespace qlm {

class QiniStore : public SettingsStore {
public:
    FileRead load(const std::string& path) override;
    std::string save(const std::string& path, const SettingsTexts& texts) override;
};

} // namespace qlm
