#pragma once
// Where the automatic settings file open.qini lives: the program's folder, or the
// user's configuration folder when the program's folder cannot be written.

#include "settings/settings_file.h"

#include <QString>

namespace qlm {

struct AutoFileFolders {
    QString program_folder;
    QString config_folder;
};

// The program's folder and the per-user configuration folder of this program.
AutoFileFolders default_auto_file_folders();

// The file a load reads: the configuration folder's copy when it exists (it is only
// there when the last save could not write the program's folder), else the program's.
QString auto_file_to_load(const AutoFileFolders& folders);

// Reads auto_file_to_load(); the error names the file.
LoadResult load_auto_file(const AutoFileFolders& folders);

// Writes the program folder's file and removes the configuration folder's copy, which
// would otherwise shadow it; when the program's folder cannot be written, writes the
// copy instead, creating its folder. Empty on success, else the reason with the paths.
QString save_auto_file(const AutoFileFolders& folders, const SettingsTexts& fields);

} // namespace qlm
