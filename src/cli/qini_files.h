#pragma once
// The settings files of the command line, read and written by the window's own code.

#include "cli/cli.h"

#include <set>
#include <string>
#include <utility>

namespace qlm::cli {

class QiniFiles : public SettingsFiles {
public:
    QiniFiles() = default;
    // `undecodable`: arguments whose bytes were not text, as decoded (with U+FFFD in place of
    // the bad bytes). Such a path names another file than the one meant, and is refused.
    explicit QiniFiles(std::set<std::string> undecodable) : undecodable_(std::move(undecodable)) {}

    FileRead load(const std::string& path) override;
    std::string save(const std::string& path, const SettingsTexts& texts) override;

private:
    std::set<std::string> undecodable_;
};

} // namespace qlm::cli
