#pragma once
// The settings files of the command line, read and written by the window's own code.

#include "cli/cli.h"

namespace qlm::cli {

class QiniFiles : public SettingsFiles {
public:
    FileRead load(const std::string& path) override;
    std::string save(const std::string& path, const SettingsTexts& texts) override;
};

} // namespace qlm::cli
