#pragma once
// The settings store of the programs: .qini files on disk.

#include "files/setup_files.h"

#include <set>
#include <string>
#include <utility>

namespace qlm {

class QiniStore : public SettingsStore {
public:
    QiniStore() = default;
    // `undecodable`: paths whose bytes were not text, as decoded (with U+FFFD in place of the
    // bad bytes). Such a path names another file than the one meant, and is refused.
    explicit QiniStore(std::set<std::string> undecodable) : undecodable_(std::move(undecodable)) {}

    // Refuses the next load or save of `path` alone, as one of `undecodable` (a name handed
    // over once with bad bytes; the same name handed over again as text is another request).
    void refuse_once(const std::string& path) { once_.insert(path); }

    FileRead load(const std::string& path) override;
    std::string save(const std::string& path, const SettingsTexts& texts) override;

private:
    bool refused(const std::string& path);
    std::set<std::string> undecodable_;
    std::multiset<std::string> once_;
};

} // namespace qlm
