#pragma once
// Import, export and comparison of settings files, once for every front end: the file read
// or written through a store, the outcome reported, the panel told.

#include "panel/outcome.h"
#include "panel/panel.h"
#include "params/param_set.h"

#include <functional>
#include <optional>
#include <string>

namespace qlm {

struct FileRead {
    std::optional<SettingsTexts> texts;
    std::string error; // the reason, for the operator
};

// Where the texts are kept: .qini files on disk in the programs, memory in tests.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;
    virtual FileRead load(const std::string& path) = 0;
    // Empty on success, else the reason.
    virtual std::string save(const std::string& path, const SettingsTexts& texts) = 0;
};

class SetupFiles {
public:
    using Report = std::function<void(const Outcome&)>;
    SetupFiles(SettingsStore& store, Report report);

    // The file's texts; a file that cannot be read is reported as `op` failing.
    std::optional<SettingsTexts> load(const std::string& path, FileOp op);
    // The file on the display, then its upload, as one operation of the panel's answered to
    // `caller`. False when it could not be read.
    bool import_file(Panel& panel, const std::string& path, Caller caller = {});
    // The display's texts (or `texts`) into the file, replaced whole or not at all.
    bool export_file(Panel& panel, const std::string& path, Caller caller = {},
                     const std::optional<SettingsTexts>& texts = std::nullopt);
    // A file's texts against what the display holds (read back just before, by the caller).
    Compared compare(const Panel& panel, const SettingsTexts& file);

private:
    SettingsStore& store_;
    Report report_;
};

} // namespace qlm
